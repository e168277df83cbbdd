#include "ui/DeskResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "base/EventLog.h"
#include "data/DataFolder.h"

// The resources live in a static library: nothing would pull their object
// file into the program unless something names it. (Outside any namespace,
// as Q_INIT_RESOURCE needs.)
static void loadResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(calldesk);
        return true;
    }();
    (void)loaded;
}

namespace
{
bool sameContent(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.size() == content.size() && file.readAll() == content;
}

std::string installSound(const std::string &dataFolder, int warning)
{
    const std::string path = warningSoundPath(dataFolder, warning);
    const QString target = QString::fromStdString(path);
    QFile builtIn(QStringLiteral(":/calldesk/sounds/warning%1.wav").arg(warning));
    const QByteArray content = builtIn.open(QIODevice::ReadOnly) ? builtIn.readAll() : QByteArray();
    if (!content.isEmpty() && !sameContent(target, content)) {
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
            logFailure("write the warning sound " + path, file.errorString().toStdString());
    }
    return path;
}
}

QIcon deskIcon()
{
    loadResources();
    return QIcon(QStringLiteral(":/calldesk/icons/calldesk.png"));
}

WarningSoundPaths installWarningSounds(const std::string &dataFolder)
{
    loadResources();
    const QString folder = QFileInfo(QString::fromStdString(warningSoundPath(dataFolder, 1))).path();
    if (!QDir().mkpath(folder))
        logEvent("cannot create the folder " + folder.toStdString());
    return {installSound(dataFolder, 1), installSound(dataFolder, 2)};
}
