#include "shell/DeskAutostart.h"

#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "base/EventLog.h"
#include "data/DataFolder.h"
#include "shell/AutostartEntry.h"

namespace
{
constexpr const char *IconResource = ":/calldesk/icons/calldesk.png";
constexpr const char *IconFile = "calldesk.png";

// The desktop shows the entry with the desk's icon, which must be a file:
// the data folder keeps a copy beside the sounds. Without it the entry has
// no icon, which is no reason to refuse it.
std::string iconFile(const std::string &dataFolder)
{
    const std::string path = withTrailingSeparator(dataFolder) + IconFile;
    QFile icon(QString::fromStdString(path));
    if (icon.exists())
        return path;
    QFile resource(QString::fromLatin1(IconResource));
    if (resource.open(QIODevice::ReadOnly) && icon.open(QIODevice::WriteOnly)
        && icon.write(resource.readAll()) == resource.size() && icon.flush())
        return path;
    logFailure("write the icon " + path, icon.errorString().toStdString());
    icon.remove();
    return {};
}
}

bool setDeskAutostart(bool on, const std::string &title, const std::string &dataFolder, std::string &error)
{
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    const std::string folder = AutostartEntry::folder();
    if (!on) {
        std::vector<std::string> removed;
        const bool all = AutostartEntry::removeFor(folder, program, removed, error);
        for (const std::string &path : removed)
            logEvent("autostart entry removed: " + path);
        if (all)
            return false;
        logFailure("remove the autostart entries", error);
        return !AutostartEntry::entriesFor(folder, program).empty();
    }
    AutostartProgram started;
    started.program = program;
    if (withTrailingSeparator(dataFolder) != defaultDataFolder())
        started.dataFolder = withTrailingSeparator(dataFolder);
    started.icon = iconFile(dataFolder);
    const auto path = AutostartEntry::write(folder, title, started, error);
    if (!path) {
        logFailure("write the autostart entry", error);
        return !AutostartEntry::entriesFor(folder, program).empty();
    }
    logEvent("autostart entry written: " + *path);
    return true;
}
