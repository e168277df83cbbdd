// Draws the windows of clearing the history, the progress window of a
// history restore and the window of the automatic backups, in both languages into PNG files, for the documentation
// and for looking at them after a layout change. Needs a display (run it
// under xvfb-run with the xcb platform).
//
//   calldesk-backup-shots <output folder>
#include <chrono>
#include <string>
#include <thread>

#include <QLineEdit>
#include <QTimer>

#include "base/Clock.h"
#include "base/LocalTime.h"
#include "data/AutoBackupSetup.h"
#include "data/DbManage.h"
#include "ui/WorkProgressDlg.h"
#include "shell/backup/AutoBackupDlg.h"
#include "shell/backup/ClearConfirmDlg.h"
#include "shell/backup/DataClearDlg.h"
#include "shots/ShotsProgram.h"
#include "shots/WindowShot.h"

namespace
{
bool shootAll(DbManage &db, const QString &folder, const QString &suffix)
{
    bool ok = true;
    {
        CDataClearDlg choose(*localDateTime(2020, 6, 1, 10, 15, 0), nullptr);
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
    {
        // A site's own folder rather than the shot's temporary data folder.
        stAutoBackup record;
        record.Folder = "/srv/calldesk/BackUP/";
        record.LastRun = record.LastGood = instantOf(*localDateTime(2020, 6, 15, 3, 0, 2));
        record.LastOk = true;
        db.SaveAutoBackupSettings(record);
        db.SaveAutoBackupOutcome(record);
        SystemClock clock;
        CAutoBackupDlg automatic(db, clock, nullptr);
        ok &= shootWindow(automatic, folder + QStringLiteral("/auto-backup-%1.png").arg(suffix));
    }
    return ok;
}
}

int main(int argc, char *argv[])
{
    return runShotsProgram(argc, argv, "calldesk-backup-shots",
                           [](DbManage &db, std::uint32_t, const QString &folder, const QString &suffix) {
                               return shootAll(db, folder, suffix);
                           });
}
