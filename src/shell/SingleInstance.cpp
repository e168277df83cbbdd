#include "shell/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

#include "base/EventLog.h"

namespace
{
constexpr int ReachRunningMs = 3000;
constexpr int RetryMs = 100;
}

SingleInstance::SingleInstance(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_socketPath {QDir(folder).filePath(QStringLiteral("calldesk.socket"))}
    , m_lock {std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("calldesk.lock")))}
{
    // Only a dead owner makes a lock stale, however old it is.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::defaultFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

bool SingleInstance::acquire()
{
    if (isHeld())
        return true;
    if (!m_lock->tryLock(0))
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_socketPath);
    if (!m_server->listen(m_socketPath))
        logEvent("cannot listen on " + m_socketPath.toStdString() + ": " + m_server->errorString().toStdString()
                 + " (a second start will not find this desk)");
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            socket->disconnectFromServer();
            socket->deleteLater();
            emit activationRequested();
        }
    });
    return true;
}

// Runs before the second start has any window, so waiting here blocks nobody.
bool SingleInstance::activateRunning()
{
    const QDeadlineTimer deadline(ReachRunningMs);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(RetryMs)) {
            socket.disconnectFromServer();
            return true;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(RetryMs);
    }
}

void SingleInstance::release()
{
    if (m_server) {
        m_server->close();
        delete m_server;
        m_server = nullptr;
    }
    if (m_lock->isLocked())
        m_lock->unlock();
}

bool SingleInstance::isHeld() const
{
    return m_lock->isLocked();
}
