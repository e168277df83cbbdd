#include <gtest/gtest.h>

#include "board/BoardRegistry.h"
#include "support/DataFixture.h"

namespace
{
using BoardDatabase = DataFixture;

TEST_F(BoardDatabase, SettingsDevicesAndLinksSurviveTheFile)
{
    const Poco::Timestamp now(1'700'000'000LL * 1000 * 1000);
    const auto pairing = BoardRegistry::makePairing("terrace", now);
    {
        auto db = open();
        const auto fresh = db->LoadBoardSetup();
        ASSERT_TRUE(fresh);
        EXPECT_FALSE(fresh->Enabled);
        EXPECT_EQ(fresh->Port, stBoardSetup::DefaultPort);
        ASSERT_TRUE(db->SaveBoardSetup({true, 9443, "/etc/site/cert.pem", "/etc/site/key.pem"}));
        ASSERT_TRUE(db->SaveBoardDevice({"bar", BoardRegistry::hashOf("t1"), now, std::nullopt}));
        ASSERT_TRUE(db->SaveBoardDevice({"wall", BoardRegistry::hashOf("t2"), now + 1000, now + 2000}));
        // Paired again: one row, the new token.
        ASSERT_TRUE(db->SaveBoardDevice({"bar", BoardRegistry::hashOf("t3"), now + 3000, std::nullopt}));
        ASSERT_TRUE(db->SetBoardDeviceSeen("wall", now + 5 * 1000 * 1000));
        ASSERT_TRUE(db->SaveBoardPairing(pairing.stored));
        ASSERT_TRUE(db->SaveSystemDatabase());
    }
    auto db = open();
    const auto setup = db->LoadBoardSetup();
    ASSERT_TRUE(setup);
    EXPECT_TRUE(setup->Enabled);
    EXPECT_EQ(setup->Port, 9443);
    EXPECT_EQ(setup->KeyFile, "/etc/site/key.pem");

    const auto devices = db->LoadBoardDevices();
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), 2u);
    EXPECT_EQ((*devices)[0].Name, "wall");
    EXPECT_EQ((*devices)[0].LastSeen, Poco::Timestamp(now + 5 * 1000 * 1000));
    EXPECT_EQ((*devices)[1].Name, "bar");
    EXPECT_EQ((*devices)[1].TokenHash, BoardRegistry::hashOf("t3"));
    EXPECT_FALSE((*devices)[1].LastSeen);

    const auto pairings = db->LoadBoardPairings();
    ASSERT_TRUE(pairings);
    ASSERT_EQ(pairings->size(), 1u);
    EXPECT_EQ((*pairings)[0].CodeHash, BoardRegistry::hashOf(pairing.code));
    EXPECT_EQ((*pairings)[0].ExpiresAt, pairing.stored.ExpiresAt);

    bool found = false;
    EXPECT_TRUE(db->RemoveBoardDevice("bar", found));
    EXPECT_TRUE(found);
    EXPECT_TRUE(db->RemoveBoardDevice("bar", found));
    EXPECT_FALSE(found);
    EXPECT_TRUE(db->RemoveBoardPairing(pairing.stored.CodeHash));
    EXPECT_EQ(db->LoadBoardDevices()->size(), 1u);
    EXPECT_TRUE(db->LoadBoardPairings()->empty());
}
}
