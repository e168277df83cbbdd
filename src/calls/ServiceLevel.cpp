#include "calls/ServiceLevel.h"

#include "base/LocalTime.h"
#include "data/Call.h"
#include "data/SetupRecord.h"

ServiceLevel serviceLevel(bool answered, std::int64_t s, std::int64_t w1, std::int64_t w2, std::int64_t timeout)
{
    if (answered)
        return ServiceLevel::Answered;
    if (s < w1) {
        if (s >= timeout)
            return ServiceLevel::Timeout;
        return s >= w2 ? ServiceLevel::Warning2 : ServiceLevel::Normal;
    }
    if (s < w2)
        return ServiceLevel::Warning1;
    return s < timeout ? ServiceLevel::Warning2 : ServiceLevel::Timeout;
}

ServiceLevel serviceLevel(const CCall &call, const SetupRecord &setup)
{
    return serviceLevel(call.isAnswered(), wholeSeconds(call.SevTotalSeconds), wholeSeconds(setup.Warn1Time),
                        wholeSeconds(setup.Warn2Time), wholeSeconds(setup.SevTimeout));
}

TextId stateText(ServiceLevel level)
{
    switch (level) {
    case ServiceLevel::Normal:
        return TextId::Unhandled;
    case ServiceLevel::Warning1:
        return TextId::FirstWarning;
    case ServiceLevel::Warning2:
        return TextId::SecondWarning;
    case ServiceLevel::Timeout:
        return TextId::FinalWarning;
    case ServiceLevel::Answered:
        return TextId::Processed;
    }
    return TextId::Unhandled;
}

ColourPair levelColours(ServiceLevel level, const SetupRecord &setup)
{
    switch (level) {
    case ServiceLevel::Normal:
        return {setup.NoReplyBkcolor, setup.NoReplytxtcolor};
    case ServiceLevel::Warning1:
        return {setup.Warn1Bkcolor, setup.Warn1txtcolor};
    case ServiceLevel::Warning2:
        return {setup.Warn2Bkcolor, setup.Warn2txtcolor};
    case ServiceLevel::Timeout:
        return {setup.TimeoutBkcolor, setup.Timeouttxtcolor};
    case ServiceLevel::Answered:
        return {setup.HasReplyBkcolor, setup.HasReplytxtcolor};
    }
    return {setup.NoReplyBkcolor, setup.NoReplytxtcolor};
}
