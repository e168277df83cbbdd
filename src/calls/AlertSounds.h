#pragma once

class ISoundPlayer;
struct SetupRecord;

// The warning sounds, stepped once a second by the timing tick. Remembers
// which warning's sound repeats, so a repeating sound is started once and
// stopped when nothing is left to warn about.
//
// Main thread only.
class AlertSounds
{
public:
    explicit AlertSounds(ISoundPlayer &player);

    // reachedW1 / reachedW2: a call reached that threshold on this tick;
    // alarm: some open call is at or past a warning threshold.
    void step(bool reachedW1, bool reachedW2, bool alarm, const SetupRecord &setup);

    // 0 none, 1 the first warning's sound repeats, 2 the second's.
    int looping() const { return m_looping; }

private:
    bool play(int warning, bool reached, const SetupRecord &setup);
    void stop();

    ISoundPlayer &m_player;
    int m_looping = 0;
};
