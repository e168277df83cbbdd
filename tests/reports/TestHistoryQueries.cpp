#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "reports/HistoryQueries.h"
#include "support/DataFixture.h"

namespace
{
class HistoryQueriesTest : public DataFixture
{
protected:
    HistoryQueriesTest()
        : m_db {open()}
    {
        for (int i = 0; i < 3; ++i) {
            CCall call(*localDateTime(2024, 6, 15, 9 + i, 0, 0));
            call.PagerNum = std::to_string(i + 1);
            call.Zone = i == 1 ? "Bar" : "Hall";
            m_db->SaveCall(call);
        }
    }

    // Results as the owner gets them, from the worker's thread.
    void received(HistoryResult &&result)
    {
        std::lock_guard lock(m_lock);
        m_results.push_back(std::move(result));
        if (m_expected && m_results.size() == m_expected)
            m_all.set_value();
    }

    std::vector<HistoryResult> awaitResults(std::size_t count)
    {
        {
            std::lock_guard lock(m_lock);
            m_expected = count;
            if (m_results.size() >= count)
                m_all.set_value();
        }
        m_all.get_future().wait();
        std::lock_guard lock(m_lock);
        return m_results;
    }

    static std::vector<std::string> pagersOf(const HistoryResult &result)
    {
        std::vector<std::string> pagers;
        for (std::size_t i = 0; i < result.rows->size(); ++i)
            pagers.push_back(result.rows->call(i).PagerNum);
        return pagers;
    }

    std::unique_ptr<DbManage> m_db;
    std::mutex m_lock;
    std::vector<HistoryResult> m_results;
    std::size_t m_expected = 0;
    std::promise<void> m_all;
};

// A second request while the first is still running: the first is given
// up, and the owner hears only of the second.
TEST_F(HistoryQueriesTest, ARequestWhileOneRunsGivesTheLatestResultOnly)
{
    std::promise<void> firstOpening;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    int opened = 0;
    HistoryQueries queries(
        [&]() {
            if (++opened == 1) {
                firstOpening.set_value();
                released.wait();
            }
            return m_db->OpenHistoryReader();
        },
        [this](HistoryResult &&result) { received(std::move(result)); });

    CallFilter hall;
    hall.zone = "Hall";
    CallFilter bar;
    bar.zone = "Bar";
    const std::uint64_t first = queries.request(hall);
    firstOpening.get_future().wait();
    const std::uint64_t second = queries.request(bar);
    EXPECT_LT(first, second);
    release.set_value();

    const std::vector<HistoryResult> results = awaitResults(1);
    ASSERT_EQ(1u, results.size());
    EXPECT_EQ(second, results[0].request);
    EXPECT_TRUE(results[0].ok);
    EXPECT_EQ(bar, results[0].filter);
    EXPECT_EQ(std::vector<std::string> {"2"}, pagersOf(results[0]));
}

TEST_F(HistoryQueriesTest, MoreCallsThanTheCapGiveTheFirstOnesAndSaySo)
{
    HistoryQueries queries([&] { return m_db->OpenHistoryReader(); },
                           [this](HistoryResult &&result) { received(std::move(result)); }, 2);
    queries.request({});
    const std::vector<HistoryResult> results = awaitResults(1);
    ASSERT_EQ(1u, results.size());
    EXPECT_TRUE(results[0].ok);
    EXPECT_TRUE(results[0].capped);
    EXPECT_EQ((std::vector<std::string> {"1", "2"}), pagersOf(results[0]));
}

TEST_F(HistoryQueriesTest, AReaderThatCannotOpenIsReportedWithItsReason)
{
    HistoryQueries queries([]() -> Poco::Data::Session { throw std::runtime_error("disk gone"); },
                           [this](HistoryResult &&result) { received(std::move(result)); });
    queries.request({});
    const std::vector<HistoryResult> results = awaitResults(1);
    ASSERT_EQ(1u, results.size());
    EXPECT_FALSE(results[0].ok);
    EXPECT_EQ("disk gone", results[0].error);
    EXPECT_TRUE(results[0].rows->empty());
}
}
