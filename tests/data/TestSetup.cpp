#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "data/SetupRecord.h"
#include "data/SetupRules.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"

using namespace Poco::Data::Keywords;

namespace
{
class SetupTest : public DataFixture
{
protected:
    SetupRecord defaults() const { return SetupRecord::defaults(Lcid::English, "Wireless call system", folder()); }
};

TEST_F(SetupTest, FirstLoadInsertsTheDefaults)
{
    auto db = open();
    SetupRecord record = defaults();
    db->LoadSetup(record);
    EXPECT_TRUE(db->modified());

    bool portIsNull = false;
    Poco::Int64 id = 0;
    Poco::Int64 option = 0;
    Poco::Int64 warn1 = 0;
    RawDatabase(*db).system() << "SELECT ID, SerialPort IS NULL, Option, Warn1Bkcolor FROM TBSetup", into(id), into(portIsNull),
        into(option), into(warn1), now;
    EXPECT_EQ(1, id);
    EXPECT_TRUE(portIsNull);
    EXPECT_EQ(0x2D, option);
    EXPECT_EQ(-128, warn1);

    SetupRecord again = SetupRecord::defaults(Lcid::Chinese, "other", folder());
    again.SerialPort = "changed";
    db->LoadSetup(again);
    EXPECT_EQ("Wireless call system", again.Title);
    EXPECT_EQ("", again.SerialPort) << "NULL reads back as empty";
    EXPECT_EQ(Lcid::English, again.LCID);
    EXPECT_EQ(0xFFFFFF80u, again.Warn1Bkcolor);
    EXPECT_EQ(Poco::Timespan(600, 0), again.SevTimeout);
}

TEST_F(SetupTest, SaveRoundTripsEveryField)
{
    auto db = open();
    SetupRecord record = defaults();
    db->LoadSetup(record);
    RawDatabase(*db).setSystemModified(false);

    record.Title = "Front desk";
    record.LeastRecords = 250;
    record.SoundPath1 = "/usr/share/sounds/a.wav";
    record.SoundPath2 = "/usr/share/sounds/b.wav";
    record.SoundSel1 = SetupRecord::SoundLoop;
    record.SoundSel2 = SetupRecord::SoundSilent;
    record.SerialPort = "/dev/ttyUSB0";
    record.Option = 0xED;
    record.HasReplytxtcolor = 0xFF123456;
    record.Warn1Time = Poco::Timespan(90, 700000);
    record.Warn2Time = Poco::Timespan(0, 999999);
    record.LCID = Lcid::Chinese;
    db->SaveSetup(record);
    EXPECT_TRUE(db->modified());

    SetupRecord loaded = defaults();
    db->LoadSetup(loaded);
    EXPECT_EQ("Front desk", loaded.Title);
    EXPECT_EQ(250, loaded.LeastRecords);
    EXPECT_EQ(record.SoundPath1, loaded.SoundPath1);
    EXPECT_EQ(record.SoundPath2, loaded.SoundPath2);
    EXPECT_EQ(SetupRecord::SoundLoop, loaded.SoundSel1);
    EXPECT_EQ(SetupRecord::SoundSilent, loaded.SoundSel2);
    EXPECT_EQ("/dev/ttyUSB0", loaded.SerialPort);
    EXPECT_EQ(0xED, loaded.Option) << "bits 6 and 7 are kept";
    EXPECT_TRUE(loaded.has(SetupRecord::OptUseSystemTime));
    EXPECT_FALSE(loaded.has(SetupRecord::OptHoverMost));
    EXPECT_EQ(0xFF123456u, loaded.HasReplytxtcolor);
    EXPECT_EQ(Poco::Timespan(90, 0), loaded.Warn1Time) << "the fraction is dropped";
    EXPECT_EQ(Poco::Timespan(0, 0), loaded.Warn2Time);
    EXPECT_EQ(Lcid::Chinese, loaded.LCID);
    EXPECT_EQ(Lcid::Chinese, db->GetLCID());

    int rows = 0;
    RawDatabase(*db).system() << "SELECT count(*) FROM TBSetup", into(rows), now;
    EXPECT_EQ(1, rows);
}

// Every colour and duration its own value, so that two swapped columns show.
TEST_F(SetupTest, EachColourAndDurationKeepsItsOwnColumn)
{
    auto db = open();
    SetupRecord record = defaults();
    db->LoadSetup(record);
    std::uint32_t *const colours[] = {&record.Warn1Bkcolor,   &record.Warn1txtcolor,   &record.Warn2Bkcolor,
                                      &record.Warn2txtcolor,  &record.TimeoutBkcolor,  &record.Timeouttxtcolor,
                                      &record.NoReplyBkcolor, &record.NoReplytxtcolor, &record.HasReplyBkcolor,
                                      &record.HasReplytxtcolor};
    for (std::size_t i = 0; i < std::size(colours); ++i)
        *colours[i] = 0xFF000000u + 0x010203u * static_cast<std::uint32_t>(i + 1);
    record.Warn1Bkcolor = 0x80FFFFFF;  // a value whose sign bit is clear
    record.Warn1Time = Poco::Timespan(11, 0);
    record.Warn2Time = Poco::Timespan(22, 0);
    record.SevTimeout = Poco::Timespan(33, 0);
    db->SaveSetup(record);

    SetupRecord loaded = defaults();
    db->LoadSetup(loaded);
    const std::uint32_t SetupRecord::*const fields[] = {
        &SetupRecord::Warn1Bkcolor,   &SetupRecord::Warn1txtcolor,   &SetupRecord::Warn2Bkcolor,
        &SetupRecord::Warn2txtcolor,  &SetupRecord::TimeoutBkcolor,  &SetupRecord::Timeouttxtcolor,
        &SetupRecord::NoReplyBkcolor, &SetupRecord::NoReplytxtcolor, &SetupRecord::HasReplyBkcolor,
        &SetupRecord::HasReplytxtcolor};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(record.*fields[i], loaded.*fields[i]);
    }
    EXPECT_EQ(Poco::Timespan(11, 0), loaded.Warn1Time);
    EXPECT_EQ(Poco::Timespan(22, 0), loaded.Warn2Time);
    EXPECT_EQ(Poco::Timespan(33, 0), loaded.SevTimeout);
}

TEST_F(SetupTest, SaveIntoAnEmptyTableInserts)
{
    auto db = open();
    SetupRecord record = defaults();
    record.SerialPort = "/dev/ttyACM0";
    db->SaveSetup(record);
    EXPECT_TRUE(db->modified());
    SetupRecord loaded = defaults();
    db->LoadSetup(loaded);
    EXPECT_EQ("/dev/ttyACM0", loaded.SerialPort);
}

TEST_F(SetupTest, LanguageZeroOrMissingKeepsTheStartupLanguage)
{
    auto db = open();
    EXPECT_EQ(0u, db->GetLCID()) << "no row yet";
    SetupRecord record = defaults();
    db->LoadSetup(record);
    RawDatabase(*db).system() << "UPDATE TBSetup SET LCID=0, Warn2Time=90", now;
    EXPECT_EQ(0u, db->GetLCID());
    SetupRecord chinese = SetupRecord::defaults(Lcid::Chinese, "x", folder());
    db->LoadSetup(chinese);
    EXPECT_EQ(Lcid::Chinese, chinese.LCID);
    EXPECT_EQ(Poco::Timespan(90, 0), chinese.Warn2Time);
}

TEST_F(SetupTest, FailedLoadKeepsTheDefaults)
{
    auto db = open();
    RawDatabase(*db).system() << "DROP TABLE TBSetup", now;
    SetupRecord record = defaults();
    db->LoadSetup(record);
    EXPECT_EQ("Wireless call system", record.Title);
    EXPECT_FALSE(db->modified());
    EXPECT_FALSE(db->SaveSetup(record));
    EXPECT_FALSE(db->modified()) << "a failed save changes nothing";
    EXPECT_NE(std::string::npos, db->lastFailure().find("TBSetup")) << db->lastFailure();
}

// The file write fails when "ovk.db" cannot be replaced (here a folder
// stands in its place, which refuses even a privileged user): the reason
// names the file, the change stays marked for the next try, and a later
// success clears the reason.
TEST_F(SetupTest, AFailedFileWriteSaysWhyAndKeepsTheChange)
{
    auto db = open();
    SetupRecord record = defaults();
    db->LoadSetup(record);
    ASSERT_TRUE(db->SaveSystemDatabase());
    record.Title = "Terrace";
    ASSERT_TRUE(db->SaveSetup(record));
    const std::string path = file(DbManage::SystemFileName);
    ASSERT_EQ(0, std::rename(path.c_str(), file("aside.db").c_str()));
    ASSERT_TRUE(std::filesystem::create_directory(path));

    EXPECT_FALSE(db->SaveSystemDatabase());
    EXPECT_TRUE(db->modified());
    EXPECT_EQ(0u, db->lastFailure().find(path)) << db->lastFailure();
    EXPECT_GT(db->lastFailure().size(), path.size() + 2) << "a reason follows the file";

    std::filesystem::remove(path);
    EXPECT_TRUE(db->SaveSystemDatabase());
    EXPECT_FALSE(db->modified());
    SetupRecord reopened = defaults();
    DbManage(folder()).LoadSetup(reopened);
    EXPECT_EQ("Terrace", reopened.Title);
}

TEST(SetupRules, LeadingNumber)
{
    const struct
    {
        const char *text;
        std::int32_t number;
    } cases[] = {
        {"50abc", 50},
        {"abc", 0},
        {"0", 0},
        {"", 0},
        {"007", 7},
        {"1000", 1000},
        {" 5", 0},
        {"-5", 0},
        {"+5", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999", 2147483647},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.number, SetupRules::leadingNumber(c.text)) << c.text;
}

TEST(SetupRules, ProgramNameTitles)
{
    EXPECT_TRUE(SetupRules::isProgramNameTitle(""));
    EXPECT_TRUE(SetupRules::isProgramNameTitle("Wireless call system"));
    EXPECT_TRUE(SetupRules::isProgramNameTitle("无线呼叫系统"));
    EXPECT_FALSE(SetupRules::isProgramNameTitle("Wireless call system "));
    EXPECT_FALSE(SetupRules::isProgramNameTitle("Terrace bar"));
}

TEST(SetupLanguage, LocaleNames)
{
    const struct
    {
        const char *name;
        std::uint32_t lcid;
    } cases[] = {
        {"Chinese (Simplified)_China.936", 2052},
        {"zh_CN.UTF-8", 2052},
        {"zh_TW", 2052},
        {"en_US.UTF-8", 1033},
        {"C", 1033},
        {"", 1033},
        {"de_DE@euro", 1033},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.lcid, lcidForLocaleName(c.name)) << c.name;
}
}
