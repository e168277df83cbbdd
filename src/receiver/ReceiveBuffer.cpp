#include "receiver/ReceiveBuffer.h"

#include <algorithm>
#include <cassert>

ReceiveBuffer::ReceiveBuffer(std::size_t capacity)
    : m_bytes(capacity)
{
}

std::span<std::uint8_t> ReceiveBuffer::freeSpace()
{
    return std::span<std::uint8_t>(m_bytes).subspan(m_used);
}

void ReceiveBuffer::commit(std::size_t count)
{
    assert(count <= capacity() - m_used);
    m_used = std::min(m_used + count, capacity());
}

bool ReceiveBuffer::append(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > capacity() - m_used)
        return false;
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_used));
    m_used += bytes.size();
    return true;
}

void ReceiveBuffer::keepFrom(std::size_t offset)
{
    offset = std::min(offset, m_used);
    std::copy(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), m_bytes.begin() + static_cast<std::ptrdiff_t>(m_used),
              m_bytes.begin());
    m_used -= offset;
}
