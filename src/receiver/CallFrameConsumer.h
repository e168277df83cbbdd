#pragma once

struct stCommand;

// Takes the call and cancel frames on the main thread (call intake).
class ICallFrameConsumer
{
public:
    virtual ~ICallFrameConsumer() = default;
    // A frame that is not a repeat of the last one, before it is
    // acknowledged. It must not throw: the frame is acknowledged either way.
    virtual void OnCallFrame(stCommand &frame) = 0;
};
