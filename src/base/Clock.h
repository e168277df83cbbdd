#pragma once

#include <Poco/LocalDateTime.h>

// The PC's clock, as the core sees it: tests drive the core with a clock of
// their own.
//
// now(): any thread.
class IClock
{
public:
    virtual ~IClock() = default;
    virtual Poco::LocalDateTime now() const = 0;
};

class SystemClock : public IClock
{
public:
    Poco::LocalDateTime now() const override;
};
