#include "data/Call.h"

#include "base/LocalTime.h"

CCall::CCall(const Poco::LocalDateTime &now)
    : CallTime {now}
    , ProcessTime {now}
{
}

CCall::CCall()
    : CCall(localNow())
{
}
