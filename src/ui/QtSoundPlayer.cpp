#include "ui/QtSoundPlayer.h"

#include <QUrl>

void QtSoundPlayer::playOnce(const std::string &path)
{
    play(path, 1);
}

void QtSoundPlayer::playLooped(const std::string &path)
{
    play(path, QSoundEffect::Infinite);
}

void QtSoundPlayer::stop()
{
    m_effect.stop();
    m_started = false;
}

void QtSoundPlayer::playAlarm(const std::string &path)
{
    playOnceOn(m_alarm, path);
}

void QtSoundPlayer::playPreview(const std::string &path)
{
    playOnceOn(m_preview, path);
}

void QtSoundPlayer::playOnceOn(QSoundEffect &effect, const std::string &path)
{
    effect.stop();
    effect.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    effect.setLoopCount(1);
    effect.play();
}

QString QtSoundPlayer::previewSource() const
{
    return m_preview.source().toLocalFile();
}

QString QtSoundPlayer::alarmSource() const
{
    return m_alarm.source().toLocalFile();
}

QString QtSoundPlayer::source() const
{
    return m_effect.source().toLocalFile();
}

bool QtSoundPlayer::isLooped() const
{
    return m_effect.loopCount() == QSoundEffect::Infinite;
}

// One effect plays at a time, so a new sound replaces the one that plays.
// The effect loads the file in the background and starts once it is loaded.
void QtSoundPlayer::play(const std::string &path, int loops)
{
    m_effect.stop();
    m_effect.setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
    m_effect.setLoopCount(loops);
    m_effect.play();
    m_started = true;
}
