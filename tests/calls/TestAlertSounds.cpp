#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/SetupRecord.h"
#include "calls/AlertSounds.h"
#include "support/CallFakes.h"

namespace
{
struct Tick
{
    bool w1, w2, alarm;
};

struct Case
{
    const char *name;
    int sel1, sel2;
    std::vector<Tick> ticks;
    std::vector<std::string> played;
};

TEST(AlertSounds, Sequences)
{
    const Case cases[] = {
        {"first warning loops until nothing warns", 2, 1,
         {{true, false, true}, {false, false, true}, {false, false, true}, {false, false, false}},
         {"loop:w1.wav", "stop"}},
        {"second warning once replaces the loop for good", 2, 1,
         {{true, false, true}, {false, true, true}, {false, false, true}, {false, false, false}},
         {"loop:w1.wav", "once:w2.wav"}},
        {"second warning takes precedence on one tick", 1, 1, {{true, true, true}}, {"once:w2.wav"}},
        {"silent warnings", 0, 0, {{true, true, true}}, {}},
        {"second loop started once", 1, 2, {{false, true, true}, {false, true, true}, {false, false, false}},
         {"loop:w2.wav", "stop"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SetupRecord setup;
        setup.SoundPath1 = "w1.wav";
        setup.SoundPath2 = "w2.wav";
        setup.SoundSel1 = c.sel1;
        setup.SoundSel2 = c.sel2;
        FakeSoundPlayer player;
        AlertSounds sounds(player);
        for (const Tick &tick : c.ticks)
            sounds.step(tick.w1, tick.w2, tick.alarm, setup);
        EXPECT_EQ(c.played, player.events);
    }
}

TEST(AlertSounds, ChangedSettingStopsTheLoopAtTheNextTick)
{
    SetupRecord setup;
    setup.SoundPath1 = "w1.wav";
    setup.SoundSel1 = SetupRecord::SoundLoop;
    FakeSoundPlayer player;
    AlertSounds sounds(player);
    sounds.step(true, false, true, setup);
    EXPECT_EQ(1, sounds.looping());
    setup.SoundSel1 = SetupRecord::SoundOnce;
    sounds.step(false, false, true, setup);
    EXPECT_EQ((std::vector<std::string> {"loop:w1.wav", "stop"}), player.events);
    EXPECT_EQ(0, sounds.looping());
}

TEST(AlertSounds, EmptyPathDisablesThatWarning)
{
    SetupRecord setup;
    setup.SoundPath1.clear();
    FakeSoundPlayer player;
    AlertSounds sounds(player);
    sounds.step(true, false, true, setup);
    EXPECT_TRUE(player.events.empty());
}
}
