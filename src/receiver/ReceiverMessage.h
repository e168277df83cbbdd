#pragma once

#include <cstdint>

// The messages the receiver link posts to the main thread. They carry no
// data: decoded frames wait in the pump's queue.
enum class ReceiverMessage : std::uint32_t
{
    UM_CMD_ARRIVED = 9031,
    UM_PORT_STARTED = 9035,
    UM_PORT_STOPPED = 9036,
};

// Where the reading thread posts them. post() is called on the reading
// thread and must return at once: it queues the message for the main thread
// and never waits for it.
class IReceiverMessageSink
{
public:
    virtual ~IReceiverMessageSink() = default;
    virtual void post(ReceiverMessage message) = 0;
};
