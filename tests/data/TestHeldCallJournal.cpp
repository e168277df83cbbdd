// The journal of calls held back during a restore: what survives a crash in
// the file, and what the next start makes of a file it cannot trust.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/HeldCallJournal.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"
#include "support/TempFolder.h"

using namespace Poco::Data::Keywords;

namespace
{
CCall callOf(const std::string &pager, int minute)
{
    CCall call(*localDateTime(2024, 6, 15, 10, minute, 0));
    call.PagerNum = pager;
    return call;
}

class HeldCallJournalTest : public DataFixture
{
protected:
    std::string m_path = HeldCallJournal::pathIn(folder());
};

// Texts keep every character, and the last state of each call counts, in
// the order the calls first came.
TEST_F(HeldCallJournalTest, TheLastStateOfEachCallComesBackWhole)
{
    CCall first = callOf("12", 0);
    CCall second = callOf("7", 1);
    second.Remark = "two\tguests\nby the \\ window";
    second.EmpName = "Zhang Wei";
    {
        HeldCallJournal journal(m_path);
        ASSERT_TRUE(journal.open());
        const std::uint64_t a = journal.newKey();
        const std::uint64_t b = journal.newKey();
        ASSERT_TRUE(journal.append(a, first));
        ASSERT_TRUE(journal.append(b, second));
        first.SevStatus = CCall::Answered;
        first.ProcessTime = *localDateTime(2024, 6, 15, 10, 3, 30);
        first.SevTotalSeconds = Poco::Timespan(210, 0);
        first.TimeOut = true;
        first.ID = 41;
        ASSERT_TRUE(journal.append(a, first));
    }
    std::string error;
    const auto calls = HeldCallJournal::read(m_path, error);
    ASSERT_TRUE(calls) << error;
    ASSERT_EQ(2u, calls->size());
    const CCall &a = (*calls)[0];
    EXPECT_EQ("12", a.PagerNum);
    EXPECT_EQ(41u, a.ID);
    EXPECT_EQ(CCall::Answered, a.SevStatus);
    EXPECT_EQ(utcText(first.ProcessTime), utcText(a.ProcessTime));
    EXPECT_EQ(first.SevTotalSeconds, a.SevTotalSeconds);
    EXPECT_TRUE(a.TimeOut);
    const CCall &b = (*calls)[1];
    EXPECT_EQ(second.Remark, b.Remark);
    EXPECT_EQ("Zhang Wei", b.EmpName);
    EXPECT_EQ(utcText(second.CallTime), utcText(b.CallTime));
    EXPECT_EQ(0u, b.ID);
}

// A crash may cut the last line short; a line that is no call is passed
// over; a file that is no journal is not taken for one, and stays.
TEST_F(HeldCallJournalTest, WhatIsNoWholeCallIsNotStored)
{
    {
        HeldCallJournal journal(m_path);
        ASSERT_TRUE(journal.open());
        ASSERT_TRUE(journal.append(journal.newKey(), callOf("12", 0)));
        ASSERT_TRUE(journal.append(journal.newKey(), callOf("7", 1)));
    }
    const std::string whole = readFile(m_path);
    const std::size_t lastLine = whole.rfind('\n', whole.size() - 2) + 1;
    struct Case
    {
        const char *name;
        std::string content;
        bool readable;
        std::vector<std::string> pagers;
    };
    const Case cases[] = {
        {"last line cut short", whole.substr(0, whole.size() - 5), true, {"12"}},
        {"a line that is no call",
         whole.substr(0, lastLine) + "3\tnot a number\n" + whole.substr(lastLine), true, {"12", "7"}},
        {"only the first line", whole.substr(0, whole.find('\n') + 1), true, {}},
        {"no journal", "ID,PagerNum\n1,12\n", false, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto db = open();
        RawDatabase(*db).history() << "DELETE FROM TBHistory", now;
        writeFile(m_path, c.content);
        const HeldCallJournal::Replayed replayed = HeldCallJournal::replay(*db, m_path);
        EXPECT_EQ(c.readable, replayed.ok);
        EXPECT_EQ(!c.readable, fileExists(m_path)) << "a file it cannot read is left for a look";
        std::vector<std::string> stored;
        RawDatabase(*db).history() << "SELECT PagerNum FROM TBHistory ORDER BY ID", into(stored), now;
        EXPECT_EQ(c.pagers, stored);
    }
}

// A journal that the start could not store stays; a new hold adds to it
// under new keys and leaves it for the next start, which stores both runs'
// calls.
TEST_F(HeldCallJournalTest, AJournalLeftOverIsContinuedNotReplaced)
{
    {
        HeldCallJournal journal(m_path);
        ASSERT_TRUE(journal.open());
        ASSERT_TRUE(journal.append(journal.newKey(), callOf("12", 0)));
    }
    HeldCallJournal journal(m_path);
    ASSERT_TRUE(journal.open());
    ASSERT_TRUE(journal.append(journal.newKey(), callOf("7", 1)));
    journal.close();
    ASSERT_TRUE(fileExists(m_path));
    auto db = open();
    EXPECT_EQ(2u, HeldCallJournal::replay(*db, m_path).stored);
    std::vector<std::string> stored;
    RawDatabase(*db).history() << "SELECT PagerNum FROM TBHistory ORDER BY ID", into(stored), now;
    EXPECT_EQ((std::vector<std::string> {"12", "7"}), stored);

    // A journal of this run alone goes once its calls are stored.
    HeldCallJournal own(m_path);
    ASSERT_TRUE(own.open());
    ASSERT_TRUE(own.append(own.newKey(), callOf("5", 2)));
    own.close();
    EXPECT_FALSE(fileExists(m_path));
}
}
