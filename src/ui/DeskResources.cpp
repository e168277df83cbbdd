#include "ui/DeskResources.h"

#include <iostream>

#include <QDir>
#include <QFile>
#include <QSaveFile>

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

std::string installSound(const QString &folder, const QString &name)
{
    const QString target = folder + name;
    QFile builtIn(QStringLiteral(":/calldesk/sounds/") + name);
    const QByteArray content = builtIn.open(QIODevice::ReadOnly) ? builtIn.readAll() : QByteArray();
    if (!content.isEmpty() && !sameContent(target, content)) {
        QSaveFile file(target);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
            std::cerr << "calldesk: cannot write the warning sound " << target.toStdString() << ": "
                      << file.errorString().toStdString() << std::endl;
    }
    return target.toStdString();
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
    const QString folder = QDir(QString::fromStdString(dataFolder)).filePath(QStringLiteral("sounds")) + u'/';
    if (!QDir().mkpath(folder))
        std::cerr << "calldesk: cannot create the folder " << folder.toStdString() << std::endl;
    return {installSound(folder, QStringLiteral("warning1.wav")), installSound(folder, QStringLiteral("warning2.wav"))};
}
