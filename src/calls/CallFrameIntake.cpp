#include "calls/CallFrameIntake.h"

#include "base/LocalTime.h"
#include "receiver/Command.h"
#include "calls/CallDesk.h"

CallFrameIntake::CallFrameIntake(CallDesk &desk)
    : m_desk {desk}
{
}

std::optional<Poco::LocalDateTime> localTimeOfFrame(const FrameTime &time)
{
    return localDateTime(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

void CallFrameIntake::OnCallFrame(stCommand &frame)
{
    const auto time = localTimeOfFrame(frame.receiverTime());
    if (frame.type() == frame::TypeCall)
        m_desk.onCallFrame(frame.pagerNumber(), frame.key(), time);
    else if (frame.type() == frame::TypeCancel)
        m_desk.onCancelFrame(frame.pagerNumber(), time);
}
