#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The reading thread's bytes: what the port delivered and the receiver has
// not consumed yet. Its capacity never changes, so a reader can never write
// past it.
class ReceiveBuffer
{
public:
    static constexpr std::size_t DefaultCapacity = 1024;

    explicit ReceiveBuffer(std::size_t capacity = DefaultCapacity);

    const std::uint8_t *data() const { return m_bytes.data(); }
    std::size_t used() const { return m_used; }
    std::size_t capacity() const { return m_bytes.size(); }

    // Room after the used bytes; commit() what was written there.
    std::span<std::uint8_t> freeSpace();
    void commit(std::size_t count);
    // Copies bytes after the used ones; false (and nothing copied) when they
    // do not fit.
    bool append(std::span<const std::uint8_t> bytes);

    // Drops the bytes before offset and moves the rest to the start.
    void keepFrom(std::size_t offset);
    void clear() { m_used = 0; }

private:
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_used = 0;
};
