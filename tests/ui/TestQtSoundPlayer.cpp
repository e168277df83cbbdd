#include <QFile>
#include <QSoundEffect>
#include <QTest>

#include "ui/DeskResources.h"
#include "ui/QtSoundPlayer.h"
#include "support/TempFolder.h"

// Playback is never waited for: without an audio device Qt reports a sound
// as playing for ever.
class TestQtSoundPlayer : public QObject
{
    Q_OBJECT

private slots:
    void theBuiltInSoundsAreWrittenOnceAndRepaired()
    {
        TempFolder folder;
        const WarningSoundPaths paths = installWarningSounds(folder.path());
        QCOMPARE(paths.first, folder.file("sounds/warning1.wav"));
        QCOMPARE(paths.second, folder.file("sounds/warning2.wav"));
        for (const std::string &path : {paths.first, paths.second}) {
            const std::string content = readFile(path);
            QVERIFY(content.size() > 10000);
            QCOMPARE(content.substr(0, 4), std::string("RIFF"));
            QCOMPARE(content.substr(8, 4), std::string("WAVE"));
        }
        const std::string first = readFile(paths.first);
        writeFile(paths.first, "damaged");
        installWarningSounds(folder.path());
        QCOMPARE(readFile(paths.first), first);
        QVERIFY(!deskIcon().isNull());
    }

    void theBuiltInSoundsDecode()
    {
        TempFolder folder;
        const WarningSoundPaths paths = installWarningSounds(folder.path());
        for (const std::string &path : {paths.first, paths.second}) {
            QSoundEffect effect;
            effect.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
            QTRY_VERIFY(effect.status() == QSoundEffect::Ready || effect.status() == QSoundEffect::Error);
            QVERIFY2(effect.status() == QSoundEffect::Ready, path.c_str());
        }
    }

    void oneSoundAtATimeOnceOrLooped()
    {
        TempFolder folder;
        const WarningSoundPaths paths = installWarningSounds(folder.path());
        QtSoundPlayer player;
        player.playLooped(paths.first);
        QCOMPARE(player.source(), QString::fromStdString(paths.first));
        QVERIFY(player.isLooped());
        QVERIFY(player.isStarted());
        player.playOnce(paths.second);
        QCOMPARE(player.source(), QString::fromStdString(paths.second));
        QVERIFY(!player.isLooped());
        player.stop();
        QVERIFY(!player.isStarted());
        // A path of another platform plays nothing and says nothing.
        player.playOnce("C:\\Windows\\Media\\Alarm01.wav");
        player.stop();
    }
};

QTEST_MAIN(TestQtSoundPlayer)
#include "TestQtSoundPlayer.moc"
