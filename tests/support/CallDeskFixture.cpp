#include "support/CallDeskFixture.h"

#include "base/Language.h"
#include "support/SmallSite.h"

CallDeskFixture::CallDeskFixture(const Poco::LocalDateTime &start)
    : m_db {open()}
    , m_store {*m_db}
    , m_clock {start}
{
    m_setup.Option &= ~SetupRecord::OptUseSystemTime;
    seedSmallSite(*m_db);
    makeDesk();
}

CallDeskFixture::~CallDeskFixture() = default;

void CallDeskFixture::makeDesk()
{
    m_desk = std::make_unique<CallDesk>(m_store, m_setup, m_clock, m_sound, m_view, Lcid::English);
}
