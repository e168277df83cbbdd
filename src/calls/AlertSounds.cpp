#include "calls/AlertSounds.h"

#include <string>

#include "data/SetupRecord.h"
#include "calls/ISoundPlayer.h"

AlertSounds::AlertSounds(ISoundPlayer &player)
    : m_player {player}
{
}

bool AlertSounds::play(int warning, bool reached, const SetupRecord &setup)
{
    const std::string &path = warning == 2 ? setup.SoundPath2 : setup.SoundPath1;
    const int mode = warning == 2 ? setup.SoundSel2 : setup.SoundSel1;
    if (!reached || path.empty() || mode == SetupRecord::SoundSilent)
        return false;
    if (mode == SetupRecord::SoundOnce) {
        m_looping = 0;
        m_player.playOnce(path);
    } else if (mode == SetupRecord::SoundLoop && m_looping != warning) {
        m_looping = warning;
        m_player.playLooped(path);
    }
    return true;
}

void AlertSounds::stop()
{
    m_player.stop();
    m_looping = 0;
}

void AlertSounds::step(bool reachedW1, bool reachedW2, bool alarm, const SetupRecord &setup)
{
    // The second warning takes precedence on the same tick.
    if (!play(2, reachedW2, setup) && !play(1, reachedW1, setup)) {
        const bool loopSettingGone = (m_looping == 1 && setup.SoundSel1 != SetupRecord::SoundLoop)
            || (m_looping == 2 && setup.SoundSel2 != SetupRecord::SoundLoop);
        if (loopSettingGone)
            stop();
    }
    if (!alarm && m_looping != 0)
        stop();
}
