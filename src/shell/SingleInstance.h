#pragma once

#include <memory>

#include <QObject>
#include <QString>

class QLocalServer;
class QLockFile;

// One desk per user: a lock file decides which start is the desk, and a
// local socket beside it lets a later start ask the running desk to bring
// its window forward. Both live in the user's runtime folder, named for the
// program. A lock left by a desk that died is taken over. Main thread only.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString &folder = defaultFolder(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // The user's runtime folder.
    static QString defaultFolder();

    // True when no other desk of this user runs: this one then holds the
    // lock and listens for later starts.
    bool acquire();
    // Asks the running desk to come forward, giving it a few seconds to
    // start listening; false when it could not be reached.
    bool activateRunning();
    // Lets go of the lock and the socket, so that a new desk can start.
    void release();
    bool isHeld() const;

signals:
    void activationRequested();

private:
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
