#include "receiver/CmdPump.h"

#include <algorithm>

#include "receiver/ReceiveBuffer.h"
#include "receiver/ReceiverMessage.h"

namespace
{
template<typename Record>
FrameRecordPtr recordOf(std::span<const std::uint8_t> bytes)
{
    Record record;
    std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
    return std::make_shared<FrameRecord>(record);
}
}

FrameRecordPtr decodeFrame(std::span<const std::uint8_t> candidate)
{
    if (candidate.size() < frame::MinLength)
        return nullptr;
    const std::uint8_t type = candidate[frame::TypeOffset];
    const bool isHeartbeat = type == frame::TypeHeartbeat && candidate.size() == heartbeat::Length;
    const bool isCommand = (type == frame::TypeCall || type == frame::TypeCancel) && candidate.size() == command::Length;
    if (!(isHeartbeat || isCommand) || !hasValidCrc(candidate))
        return nullptr;
    return isHeartbeat ? recordOf<heat_beat_t>(candidate) : recordOf<stCommand>(candidate);
}

CCmdPump::CCmdPump(IReceiverMessageSink &owner)
    : m_owner {owner}
{
}

CCmdPump::~CCmdPump() = default;

void CCmdPump::OnData(ReceiveBuffer &buffer)
{
    const std::uint8_t *data = buffer.data();
    const std::size_t used = buffer.used();
    std::size_t pos = 0;
    while (pos < used) {
        if (data[pos] != frame::StartByte) {
            ++pos;
            continue;
        }
        if (pos + 1 == used) {
            buffer.keepFrom(pos);
            return;
        }
        const std::size_t length = data[pos + frame::LengthOffset];
        // Lengths below the minimum cannot be frames, and waiting for them
        // would make the type check read beyond the bytes received.
        if (length > frame::MaxLength || length < frame::MinLength) {
            ++pos;
            continue;
        }
        // Any other length waits until that many bytes are there, even when it
        // is not a frame length: the check below then rejects it.
        if (pos + length > used) {
            buffer.keepFrom(pos);
            return;
        }
        if (FrameRecordPtr record = decodeFrame({data + pos, length})) {
            enqueue(std::move(record));
            pos += length;
        } else {
            // Resynchronise: a valid frame may start inside the rejected bytes.
            ++pos;
        }
    }
    buffer.clear();
}

void CCmdPump::OnStop()
{
    m_owner.post(ReceiverMessage::UM_PORT_STOPPED);
}

void CCmdPump::OnStart()
{
    m_owner.post(ReceiverMessage::UM_PORT_STARTED);
}

FrameRecordPtr CCmdPump::front() const
{
    std::lock_guard lock(m_lock);
    return m_queue.empty() ? nullptr : m_queue.front();
}

void CCmdPump::popFront()
{
    std::lock_guard lock(m_lock);
    if (!m_queue.empty())
        m_queue.pop_front();
}

bool CCmdPump::empty() const
{
    std::lock_guard lock(m_lock);
    return m_queue.empty();
}

void CCmdPump::enqueue(FrameRecordPtr record)
{
    {
        std::lock_guard lock(m_lock);
        m_queue.push_back(std::move(record));
    }
    m_owner.post(ReceiverMessage::UM_CMD_ARRIVED);
}
