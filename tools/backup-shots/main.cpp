// Draws the windows of clearing the history, and the progress window of a
// history restore, in both languages into PNG files, for the documentation and for looking at them after a layout
// change. Needs a display (run it under xvfb-run with the xcb platform).
//
//   calldesk-backup-shots <output folder>
#include <chrono>
#include <iostream>
#include <string>
#include <thread>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/File.h>
#include <Poco/TemporaryFile.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTimer>

#include "data/DbManage.h"
#include "ui/UiText.h"
#include "ui/WorkProgressDlg.h"
#include "shell/backup/ClearConfirmDlg.h"
#include "shell/backup/DataClearDlg.h"
#include "shots/WindowShot.h"

namespace
{
bool shootAll(DbManage &db, const QString &folder, const QString &suffix)
{
    bool ok = true;
    {
        CDataClearDlg choose(Poco::LocalDateTime(2020, 6, 1, 10, 15, 0), nullptr);
        ok &= shootWindow(choose, folder + QStringLiteral("/clear-history-%1.png").arg(suffix));
    }
    {
        CClearConfirmDlg confirm(db, nullptr);
        confirm.findChild<QLineEdit *>(QStringLiteral("editPassword"))->setText(QStringLiteral("secret"));
        ok &= shootWindow(confirm, folder + QStringLiteral("/clear-confirm-%1.png").arg(suffix));
    }
    {
        // Shot while its work stands at 42 %, then cancelled.
        CWorkProgressDlg progress(TextId::RestoreHistory, TextId::RestoringHistory, true, nullptr);
        QTimer::singleShot(500, &progress, [&] {
            ok &= shootWindow(progress, folder + QStringLiteral("/restore-progress-%1.png").arg(suffix));
            progress.cancel();
        });
        progress.runWork([](const SqliteFile::Progress &report) {
            while (report(42, 100))
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
    }
    return ok;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: calldesk-backup-shots <output folder>" << std::endl;
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    try {
        Poco::Data::SQLite::Connector::registerConnector();
        const std::string dataFolder = Poco::TemporaryFile::tempName() + "/";
        Poco::File(dataFolder).createDirectories();
        bool ok = true;
        {
            DbManage db(dataFolder);
            setUiLanguage(1033);
            ok &= shootAll(db, folder, QStringLiteral("en"));
            setUiLanguage(2052);
            ok &= shootAll(db, folder, QStringLiteral("zh"));
        }
        Poco::File(dataFolder).remove(true);
        return ok ? 0 : 1;
    } catch (const std::exception &error) {
        std::cerr << "calldesk-backup-shots: " << error.what() << std::endl;
        return 1;
    }
}
