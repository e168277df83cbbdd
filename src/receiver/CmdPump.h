#pragma once

#include <deque>
#include <mutex>
#include <span>

#include "receiver/CommPortProcess.h"
#include "receiver/FrameRecord.h"

class IReceiverMessageSink;

// Cuts the received byte stream into frames and queues them for the main
// thread. OnData, OnStart and OnStop run on the serial reading thread; front,
// popFront and the destructor on the main thread. The queue is the only state
// the two threads share, and each hold of its lock is one append, one peek or
// one removal.
class CCmdPump : public ICommPortProcess
{
public:
    explicit CCmdPump(IReceiverMessageSink &owner);
    ~CCmdPump() override;
    CCmdPump(const CCmdPump &) = delete;
    CCmdPump &operator=(const CCmdPump &) = delete;

    // Queues every valid frame in the buffer, posts UM_CMD_ARRIVED for each,
    // and leaves only the start of a frame that has not fully arrived.
    void OnData(ReceiveBuffer &buffer) override;
    void OnStop() override;
    void OnStart() override;

    // The oldest queued record, or null. The caller processes it without
    // the lock, then removes it with popFront().
    FrameRecordPtr front() const;
    void popFront();
    bool empty() const;

private:
    void enqueue(FrameRecordPtr record);

    IReceiverMessageSink &m_owner;
    mutable std::mutex m_lock;
    std::deque<FrameRecordPtr> m_queue;
};

// The record for a complete candidate frame (start byte, length byte and
// that many bytes), or null when type, length or check sum is wrong.
FrameRecordPtr decodeFrame(std::span<const std::uint8_t> candidate);
