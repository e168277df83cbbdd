#include <string>

#include <gtest/gtest.h>

#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "data/WarningSounds.h"
#include "support/DataFixture.h"

namespace
{
class WarningSounds : public DataFixture
{
};

TEST_F(WarningSounds, TheBuiltInSoundsAreWrittenOnceAndRepaired)
{
    std::string error;
    ASSERT_TRUE(installWarningSounds(folder(), error)) << error;
    for (int warning : {1, 2}) {
        const std::string content = readFile(warningSoundPath(folder(), warning));
        EXPECT_GT(content.size(), 10000u);
        EXPECT_EQ("RIFF", content.substr(0, 4));
        EXPECT_EQ("WAVE", content.substr(8, 4));
    }
    const std::string first = readFile(warningSoundPath(folder(), 1));
    writeFile(warningSoundPath(folder(), 1), "damaged");
    ASSERT_TRUE(installWarningSounds(folder(), error)) << error;
    EXPECT_EQ(first, readFile(warningSoundPath(folder(), 1)));
}

TEST_F(WarningSounds, TheProgramThatMakesTheSettingsMakesTheirSounds)
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

TEST_F(WarningSounds, AFolderThatCannotHoldThemIsReported)
{
    writeFile(file("sounds"), "a file where the folder should be");
    std::string error;
    EXPECT_FALSE(installWarningSounds(folder(), error));
    EXPECT_FALSE(error.empty());
}
}
