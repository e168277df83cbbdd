// Draws the operator windows in both languages into PNG files, for the
// documentation and for looking at them after a layout change. Needs a
// display (run it under xvfb-run with the xcb platform).
//
//   calldesk-operator-shots <output folder>
#include <iostream>
#include <string>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/File.h>
#include <Poco/TemporaryFile.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTreeView>

#include "data/DbManage.h"
#include "ui/UiText.h"
#include "shell/AddUserDlg.h"
#include "shell/AlterPasswordDlg.h"
#include "shell/LoginDlg.h"
#include "shell/UserDlg.h"
#include "shell/UserRightDlg.h"
#include "shots/WindowShot.h"

namespace
{
void sampleOperators(DbManage &db)
{
    stUser admin {false, 0xFF, 0, "", "ADMIN", ""};
    stUser clerk {true, 0x05, 0, "pw", "Clerk", "Front desk"};
    stUser anna {false, 0x08, 0, "", "Anna", "Bar"};
    stUser li {true, 0x00, 0, "", "李明", "服务员"};
    for (stUser *user : {&admin, &clerk, &anna, &li})
        db.InsertOperator(*user);
}

bool shootAll(DbManage &db, const QString &folder, const QString &suffix)
{
    bool ok = true;
    {
        CLoginDlg login(db, nullptr);
        login.findChild<QLineEdit *>(QStringLiteral("editPassword"))->setText(QStringLiteral("secret"));
        ok &= shootWindow(login, folder + QStringLiteral("/login-%1.png").arg(suffix));
    }
    {
        CUserDlg users(db, nullptr);
        auto *list = users.findChild<QTreeView *>(QStringLiteral("UserList"));
        list->selectionModel()->setCurrentIndex(list->model()->index(1, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        ok &= shootWindow(users, folder + QStringLiteral("/operators-%1.png").arg(suffix));
    }
    {
        CAddUserDlg add(nullptr, [](const QString &) { return false; });
        add.findChild<QLineEdit *>(QStringLiteral("EditUserName"))->setText(QStringLiteral("Bob"));
        add.findChild<QLineEdit *>(QStringLiteral("EditPost"))->setText(QStringLiteral("Waiter"));
        ok &= shootWindow(add, folder + QStringLiteral("/add-operator-%1.png").arg(suffix));
    }
    {
        // A wrong old password and a differing confirmation, both marked.
        stUser clerk {true, 0x85, 2, "pw", "Clerk", "Front desk"};
        CAlterPasswordDlg password(clerk, nullptr);
        auto *oldPassword = password.findChild<QLineEdit *>(QStringLiteral("oldPasswordEdit"));
        oldPassword->setText(QStringLiteral("wrong"));
        emit oldPassword->editingFinished();
        password.findChild<QLineEdit *>(QStringLiteral("newPasswordEdit"))->setText(QStringLiteral("new"));
        password.findChild<QLineEdit *>(QStringLiteral("confirmPasswordEdit"))->setText(QStringLiteral("nwe"));
        ok &= shootWindow(password, folder + QStringLiteral("/password-%1.png").arg(suffix));
    }
    {
        stUser clerk {true, 0x85, 2, "pw", "Clerk", "Front desk"};
        CUserRightDlg rights(clerk, nullptr);
        ok &= shootWindow(rights, folder + QStringLiteral("/rights-%1.png").arg(suffix));
    }
    return ok;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: calldesk-operator-shots <output folder>" << std::endl;
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
            sampleOperators(db);
            setUiLanguage(1033);
            ok &= shootAll(db, folder, QStringLiteral("en"));
            setUiLanguage(2052);
            ok &= shootAll(db, folder, QStringLiteral("zh"));
        }
        Poco::File(dataFolder).remove(true);
        return ok ? 0 : 1;
    } catch (const std::exception &error) {
        std::cerr << "calldesk-operator-shots: " << error.what() << std::endl;
        return 1;
    }
}
