#include "shots/ShotsProgram.h"

#include <exception>
#include <iostream>
#include <string>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/File.h>
#include <Poco/TemporaryFile.h>

#include <QApplication>
#include <QDir>

#include "base/Language.h"
#include "data/DbManage.h"
#include "ui/DeskLook.h"
#include "ui/UiText.h"

namespace
{
bool shootLanguage(const ShootLanguage &shoot, const QString &folder, std::uint32_t lcid, const QString &suffix)
{
    const std::string dataFolder = Poco::TemporaryFile::tempName() + "/";
    Poco::File(dataFolder).createDirectories();
    bool ok = false;
    {
        DbManage db(dataFolder);
        setUiLanguage(lcid);
        ok = shoot(db, lcid, folder, suffix);
    }
    Poco::File(dataFolder).remove(true);
    return ok;
}
}

int runShotsProgram(int argc, char *argv[], const char *program, const ShootLanguage &shoot)
{
    QApplication app(argc, argv);
    applyDeskLook();
    if (argc != 2) {
        std::cerr << "usage: " << program << " <output folder>" << std::endl;
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    try {
        Poco::Data::SQLite::Connector::registerConnector();
        bool ok = shootLanguage(shoot, folder, Lcid::English, QStringLiteral("en"));
        ok &= shootLanguage(shoot, folder, Lcid::Chinese, QStringLiteral("zh"));
        return ok ? 0 : 1;
    } catch (const std::exception &error) {
        std::cerr << program << ": " << error.what() << std::endl;
        return 1;
    }
}
