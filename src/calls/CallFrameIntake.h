#pragma once

#include <optional>

#include <Poco/LocalDateTime.h>

#include "receiver/CallFrameConsumer.h"

class CallDesk;
struct FrameTime;

// Hands the receiver's call and cancel frames to the desk's call handling,
// reading the pager number, key and the receiver's clock from the bytes.
//
// Main thread only.
class CallFrameIntake : public ICallFrameConsumer
{
public:
    explicit CallFrameIntake(CallDesk &desk);

    void OnCallFrame(stCommand &frame) override;

private:
    CallDesk &m_desk;
};

// The local date-time a frame's clock bytes stand for; nullopt when they are
// not a valid date and time.
std::optional<Poco::LocalDateTime> localTimeOfFrame(const FrameTime &time);
