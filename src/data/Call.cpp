#include "data/Call.h"

#include "data/LocalTime.h"

CCall::CCall(const Poco::LocalDateTime &now)
    : CallTime {now}
    , ProcessTime {now}
{
}

CCall::CCall()
    : CCall(localNow())
{
}
