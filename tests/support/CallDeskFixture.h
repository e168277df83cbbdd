#pragma once

#include <memory>

#include <Poco/LocalDateTime.h>

#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "calls/CallDesk.h"
#include "support/CallFakes.h"
#include "support/DataFixture.h"
#include "support/FailingCallStore.h"
#include "support/FakeClock.h"

// A call desk on the small site (seedSmallSite) in a data folder of its own,
// timed by the receiver's clock, with a clock that stands still until moved,
// recorded sounds, a recording view, and a store whose writes can be made to
// fail.
class CallDeskFixture : public DataFixture
{
protected:
    explicit CallDeskFixture(const Poco::LocalDateTime &start);
    ~CallDeskFixture() override;

    // A new desk on the same database, settings and fakes, as after a restart.
    void makeDesk();

    std::unique_ptr<DbManage> m_db;
    // The desk's way to the databases: the real ones, unless told to fail.
    FailingCallStore m_store;
    SetupRecord m_setup;
    FakeClock m_clock;
    FakeSoundPlayer m_sound;
    RecordingView m_view;
    std::unique_ptr<CallDesk> m_desk;
};
