#pragma once

#include <Poco/Timestamp.h>

#include "receiver/FrameRecord.h"
#include "receiver/OutageWatch.h"

struct LinkStatus;

// What the receiver link asks of the program that owns it; every call comes
// on the main thread.
class ILinkOwner
{
public:
    virtual ~ILinkOwner() = default;

    // A repeating 2000 ms timer whose ticks call ReceiverLink::onLinkCheckTick;
    // starting it again restarts its period.
    virtual void startLinkCheckTimer() = 0;
    virtual void stopLinkCheckTimer() = 0;

    virtual void linkStatusChanged(const LinkStatus &status) = 0;

    // Every frame once it has been handled and answered, heartbeats and
    // repeats included.
    virtual void frameHandled(const FrameRecord &, bool /*repeat*/) {}

    // The link's supervision found the link failed, or the failure ended
    // with a frame (OutageWatch).
    virtual void linkOutageBegan(const LinkOutage &) {}
    virtual void linkOutageEnded(const LinkOutage &, const Poco::Timestamp & /*end*/) {}
};
