#pragma once

#include <Poco/LocalDateTime.h>
#include <Poco/Timespan.h>

#include "base/Clock.h"

// A clock that stands still until the test moves it.
class FakeClock : public IClock
{
public:
    explicit FakeClock(const Poco::LocalDateTime &start)
        : m_now {start}
    {
    }

    Poco::LocalDateTime now() const override { return m_now; }
    void set(const Poco::LocalDateTime &time) { m_now = time; }
    void advance(const Poco::Timespan &span) { m_now += span; }

private:
    Poco::LocalDateTime m_now;
};
