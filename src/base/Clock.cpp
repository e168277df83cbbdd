#include "base/Clock.h"

#include "base/LocalTime.h"

Poco::LocalDateTime SystemClock::now() const
{
    return localNow();
}
