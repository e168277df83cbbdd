#include <string>
#include <vector>

#include <QFile>
#include <QSoundEffect>
#include <QTest>

#include "data/DataFolder.h"
#include "data/DeskSounds.h"
#include "ui/DeskResources.h"
#include "ui/QtSoundPlayer.h"
#include "support/TempFolder.h"

// Playback is never waited for: without an audio device Qt reports a sound
// as playing for ever.
class TestQtSoundPlayer : public QObject
{
    Q_OBJECT

    std::vector<std::string> installedSounds()
    {
        std::string error;
        if (!installDeskSounds(m_folder.path(), error))
            qWarning("%s", error.c_str());
        return {warningSoundPath(m_folder.path(), 1), warningSoundPath(m_folder.path(), 2),
                alarmSoundPath(m_folder.path())};
    }

    TempFolder m_folder;

private slots:
    void theBuiltInSoundsDecode()
    {
        const std::vector<std::string> paths = installedSounds();
        QVERIFY(!deskIcon().isNull());
        for (const std::string &path : paths) {
            QSoundEffect effect;
            effect.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
            QTRY_VERIFY(effect.status() == QSoundEffect::Ready || effect.status() == QSoundEffect::Error);
            QVERIFY2(effect.status() == QSoundEffect::Ready, path.c_str());
        }
    }

    void oneWarningAtATimeOnceOrLoopedAndTheAlarmAndPreviewBeside()
    {
        const std::vector<std::string> paths = installedSounds();
        QtSoundPlayer player;
        player.playLooped(paths[0]);
        QCOMPARE(player.source(), QString::fromStdString(paths[0]));
        QVERIFY(player.isLooped());
        QVERIFY(player.isStarted());
        // A sound tried out in the settings leaves the repeating warning be.
        player.playPreview(paths[1]);
        QCOMPARE(player.previewSource(), QString::fromStdString(paths[1]));
        QCOMPARE(player.source(), QString::fromStdString(paths[0]));
        QVERIFY(player.isLooped());
        QVERIFY(player.isStarted());
        player.playOnce(paths[1]);
        QCOMPARE(player.source(), QString::fromStdString(paths[1]));
        QVERIFY(!player.isLooped());
        // The alarm plays beside a warning: neither replaces the other.
        player.playAlarm(paths[2]);
        QCOMPARE(player.source(), QString::fromStdString(paths[1]));
        QCOMPARE(player.alarmSource(), QString::fromStdString(paths[2]));
        QVERIFY(player.isStarted());
        player.stop();
        QVERIFY(!player.isStarted());
        // A path of another platform plays nothing and says nothing.
        player.playOnce("C:\\Windows\\Media\\Alarm01.wav");
        player.stop();
    }
};

QTEST_MAIN(TestQtSoundPlayer)
#include "TestQtSoundPlayer.moc"
