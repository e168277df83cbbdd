#include <string>

#include <gtest/gtest.h>

#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "data/DeskSounds.h"
#include "data/SetupRecord.h"
#include "support/DataFixture.h"

namespace
{
class DeskSounds : public DataFixture
{
};

TEST_F(DeskSounds, TheBuiltInSoundsAreWrittenOnceAndRepaired)
{
    std::string error;
    ASSERT_TRUE(installDeskSounds(folder(), error)) << error;
    for (const std::string &path :
         {warningSoundPath(folder(), 1), warningSoundPath(folder(), 2), alarmSoundPath(folder())}) {
        const std::string content = readFile(path);
        EXPECT_GT(content.size(), 10000u);
        EXPECT_EQ("RIFF", content.substr(0, 4));
        EXPECT_EQ("WAVE", content.substr(8, 4));
    }
    const std::string first = readFile(warningSoundPath(folder(), 1));
    writeFile(warningSoundPath(folder(), 1), "damaged");
    ASSERT_TRUE(installDeskSounds(folder(), error)) << error;
    EXPECT_EQ(first, readFile(warningSoundPath(folder(), 1)));
}

TEST_F(DeskSounds, TheProgramThatMakesTheSettingsMakesTheirSounds)
{
    // As calldesk-tool does on an empty folder, before any desk ever ran.
    auto db = open();
    SetupRecord setup = SetupRecord::defaults(Lcid::English, "desk", folder());
    db->LoadSetup(setup);
    EXPECT_EQ(folder() + "sounds/warning1.wav", setup.SoundPath1);
    EXPECT_EQ(folder() + "sounds/warning2.wav", setup.SoundPath2);
    EXPECT_TRUE(fileExists(setup.SoundPath1));
    EXPECT_TRUE(fileExists(setup.SoundPath2));
}

TEST_F(DeskSounds, AFolderThatCannotHoldThemIsReported)
{
    writeFile(file("sounds"), "a file where the folder should be");
    std::string error;
    EXPECT_FALSE(installDeskSounds(folder(), error));
    EXPECT_FALSE(error.empty());
}
}
