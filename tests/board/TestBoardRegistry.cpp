#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/BoardRegistry.h"

namespace
{
using Outcome = BoardRegistry::PairOutcome;
constexpr Poco::Timespan::TimeDiff Second = 1000 * 1000;
const Poco::Timestamp Start(1'700'000'000LL * Second);

Poco::Timestamp at(Poco::Timespan::TimeDiff seconds)
{
    return Start + seconds * Second;
}

TEST(BoardRegistry, ACodePairsOnceWithinItsFiveMinutes)
{
    struct Case
    {
        const char *name;
        Poco::Timespan::TimeDiff redeemAfter;
        bool redeemTwice;
        bool guessed;
        Outcome expected;
    };
    const Case cases[] = {
        {"at once", 0, false, false, Outcome::Paired},
        {"a second before it expires", 299, false, false, Outcome::Paired},
        {"when it expires", 300, false, false, Outcome::Refused},
        {"a second time", 10, true, false, Outcome::Refused},
        {"a code never issued", 0, false, true, Outcome::Refused},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        BoardRegistry registry({}, {});
        std::string code = registry.addPairing("bar phone", Start);
        if (c.guessed)
            code = BoardRegistry::randomSecret();
        if (c.redeemTwice) {
            ASSERT_EQ(registry.pair(code, "", "10.0.0.2", at(1)).outcome, Outcome::Paired);
        }
        const auto result = registry.pair(code, "", "10.0.0.3", at(c.redeemAfter));
        EXPECT_EQ(result.outcome, c.expected);
        if (c.expected == Outcome::Paired) {
            EXPECT_EQ(result.device, "bar phone");
            EXPECT_EQ(registry.deviceOf(result.token, at(c.redeemAfter)), "bar phone");
        } else {
            EXPECT_TRUE(result.token.empty());
        }
    }
}

TEST(BoardRegistry, OnlyTheCurrentTokenOfAPresentDeviceOpensTheBoard)
{
    BoardRegistry registry({}, {});
    const auto first = registry.pair(registry.addPairing("wall", Start), "", "10.0.0.2", Start);
    const auto phone = registry.pair(registry.addPairing("phone", Start), "", "10.0.0.3", Start);
    ASSERT_EQ(first.outcome, Outcome::Paired);
    EXPECT_GE(first.token.size(), 40u);
    EXPECT_NE(first.token, phone.token);

    EXPECT_EQ(registry.deviceOf("", Start), std::nullopt);
    EXPECT_EQ(registry.deviceOf(first.token + "x", Start), std::nullopt);
    EXPECT_EQ(registry.deviceOf(BoardRegistry::hashOf(first.token), Start), std::nullopt);

    // Paired again under its name: the old token stops working.
    const auto again = registry.pair(registry.addPairing("wall", Start), "", "10.0.0.2", at(5));
    EXPECT_EQ(registry.deviceOf(first.token, at(6)), std::nullopt);
    EXPECT_EQ(registry.deviceOf(again.token, at(6)), "wall");
    EXPECT_EQ(registry.devices().size(), 2u);

    EXPECT_TRUE(registry.remove("phone"));
    EXPECT_FALSE(registry.remove("phone"));
    EXPECT_EQ(registry.deviceOf(phone.token, at(7)), std::nullopt);
    EXPECT_EQ(registry.deviceOf(again.token, at(7)), "wall");
}

TEST(BoardRegistry, AnAddressThatKeepsFailingIsRefusedUnseenForAMinute)
{
    BoardRegistry registry({}, {});
    for (std::size_t i = 0; i < BoardRegistry::FailuresAllowed; ++i)
        ASSERT_EQ(registry.pair("guess" + std::to_string(i), "", "10.0.0.66", at(10)).outcome, Outcome::Refused);

    const std::string code = registry.addPairing("till", Start);
    EXPECT_EQ(registry.pair(code, "", "10.0.0.66", at(20)).outcome, Outcome::Limited);
    // The limit did not spend the code, and holds for that address only.
    const std::string other = registry.addPairing("kitchen", Start);
    EXPECT_EQ(registry.pair(other, "", "10.0.0.7", at(20)).outcome, Outcome::Paired);
    EXPECT_EQ(registry.pair(code, "", "10.0.0.66", at(70)).outcome, Outcome::Paired);
}

TEST(BoardRegistry, StoredPairingsAndDevicesWorkAndChangesAreHandedToTheDatabase)
{
    // A link the command line wrote while the desk was closed.
    const auto issued = BoardRegistry::makePairing("terrace", Start);
    const auto stale = BoardRegistry::makePairing("old", at(-600));
    stBoardDevice kept {"bar", BoardRegistry::hashOf("bar-token"), at(-100), std::nullopt};
    BoardRegistry registry({kept}, {issued.stored, stale.stored});
    EXPECT_EQ(registry.deviceOf("bar-token", Start), "bar");

    const auto paired = registry.pair(issued.code, "", "10.0.0.2", at(30));
    ASSERT_EQ(paired.outcome, Outcome::Paired);
    EXPECT_EQ(registry.pair(stale.code, "", "10.0.0.2", at(31)).outcome, Outcome::Refused);

    auto work = registry.takeStoreWork();
    ASSERT_EQ(work.paired.size(), 1u);
    EXPECT_EQ(work.paired[0].Name, "terrace");
    EXPECT_EQ(work.paired[0].TokenHash, BoardRegistry::hashOf(paired.token));
    EXPECT_EQ(work.spentCodes, (std::vector<std::string> {issued.stored.CodeHash, stale.stored.CodeHash}));
    EXPECT_EQ(work.seen.count("bar"), 1u);
    EXPECT_TRUE(registry.takeStoreWork().empty());

    // Sightings are written at most once a minute.
    registry.deviceOf("bar-token", at(30));
    EXPECT_TRUE(registry.takeStoreWork().empty());
    registry.deviceOf("bar-token", at(61));
    EXPECT_EQ(registry.takeStoreWork().seen.count("bar"), 1u);
}

TEST(BoardRegistry, ADeviceNamesItselfWithinBoundsAndTakesNoOtherDevicesPlace)
{
    const std::string fortyOne = std::string(39, 'a') + "\xE5\x90\xA7\xE5\x8F\xB0";
    struct Case
    {
        const char *name;
        std::string given;
        std::string kept;
    };
    const Case cases[] = {
        {"none given: the link's name", "", "wall"},
        {"spaces only: the link's name", "   ", "wall"},
        {"the phone's own", " Terrace ", "Terrace"},
        {"controls dropped", "Ba\tr\n\x7F", "Bar"},
        {"broken UTF-8 dropped", "a\304\304b\200c\345\220", "abc"},
        {"cut after forty characters, never inside one", fortyOne, std::string(39, 'a') + "\xE5\x90\xA7"},
        {"the link's name again replaces that device", "wall", "wall"},
        {"another device's name is numbered", "bar", "bar (2)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        stBoardDevice bar {"bar", BoardRegistry::hashOf("bar-token"), Start, std::nullopt};
        stBoardDevice wall {"wall", BoardRegistry::hashOf("wall-token"), Start, std::nullopt};
        BoardRegistry registry({bar, wall}, {});
        const std::string code = registry.addPairing("wall", Start);
        const auto result = registry.pair(code, c.given, "10.0.0.2", at(1));
        ASSERT_EQ(result.outcome, Outcome::Paired);
        EXPECT_EQ(result.device, c.kept);
        EXPECT_EQ(registry.deviceOf(result.token, at(2)), c.kept);
        // The device of that name before is gone only when the name was
        // the link's own.
        EXPECT_EQ(registry.deviceOf("bar-token", at(2)), std::optional<std::string>("bar"));
        EXPECT_EQ(registry.deviceOf("wall-token", at(2)).has_value(), c.kept != "wall");
    }
}

TEST(BoardRegistry, CheckingACodeLeavesItUsableButCountsAFailure)
{
    BoardRegistry registry({}, {});
    const std::string code = registry.addPairing("phone", Start);
    for (int i = 0; i < 3; ++i) {
        const auto checked = registry.check(code, "10.0.0.2", at(i));
        ASSERT_EQ(checked.outcome, Outcome::Paired);
        EXPECT_EQ(checked.device, "phone");
        EXPECT_TRUE(checked.token.empty());
    }
    for (std::size_t i = 0; i < BoardRegistry::FailuresAllowed; ++i)
        EXPECT_EQ(registry.check("guess", "10.0.0.9", at(10)).outcome, Outcome::Refused);
    EXPECT_EQ(registry.check(code, "10.0.0.9", at(11)).outcome, Outcome::Limited);
    EXPECT_EQ(registry.pair(code, "", "10.0.0.3", at(12)).outcome, Outcome::Paired);
}
}
