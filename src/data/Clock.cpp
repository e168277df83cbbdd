#include "data/Clock.h"

#include "data/LocalTime.h"

Poco::LocalDateTime SystemClock::now() const
{
    return localNow();
}
