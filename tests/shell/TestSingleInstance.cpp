#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

#include "shell/SingleInstance.h"
#include "support/TempFolder.h"

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void aSecondStartAsksTheFirstToComeForward()
    {
        TempFolder folder;
        const QString path = QString::fromStdString(folder.path());
        SingleInstance first(path);
        QSignalSpy asked(&first, &SingleInstance::activationRequested);
        QVERIFY(first.acquire());
        SingleInstance second(path);
        QVERIFY(!second.acquire());
        QVERIFY(second.activateRunning());
        QTRY_COMPARE(asked.count(), 1);

        first.release();
        QVERIFY(second.acquire());
        SingleInstance third(path);
        QVERIFY(!third.acquire());
    }

    // A desk that died leaves its lock behind; the next start takes it over.
    void aLockLeftByADeadDeskIsTakenOver()
    {
        TempFolder folder;
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        ::waitpid(child, nullptr, 0);
        QFile lock(QString::fromStdString(folder.file("calldesk.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(child) + "\ncalldesk\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();

        SingleInstance desk(QString::fromStdString(folder.path()));
        QVERIFY(desk.acquire());
    }
};

QTEST_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
