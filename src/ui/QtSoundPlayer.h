#pragma once

#include <QSoundEffect>

#include "calls/ISoundPlayer.h"

// Plays the warning sounds through Qt Multimedia. Paths stay the settings'
// file paths; a file that cannot be played (missing, not a wave file, a path
// of another platform) plays nothing and is not reported. Main thread only.
class QtSoundPlayer : public ISoundPlayer
{
public:
    void playOnce(const std::string &path) override;
    void playLooped(const std::string &path) override;
    void stop() override;
    void playAlarm(const std::string &path) override;
    void playPreview(const std::string &path) override;

    // The warning sound started last: its file and whether it repeats.
    QString source() const;
    bool isLooped() const;
    bool isStarted() const { return m_started; }
    QString alarmSource() const;
    QString previewSource() const;

private:
    void play(const std::string &path, int loops);
    static void playOnceOn(QSoundEffect &effect, const std::string &path);

    QSoundEffect m_effect;
    QSoundEffect m_alarm;
    QSoundEffect m_preview;
    bool m_started = false;
};
