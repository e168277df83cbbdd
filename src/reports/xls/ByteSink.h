#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace YExcel
{
// Where serialised bytes go: a file being written, a string, or nowhere
// when only the size is wanted. position() counts every byte written.
//
// Any thread; an object is used by one thread at a time.
class ByteSink
{
public:
    virtual ~ByteSink() = default;
    virtual void write(const void *data, std::size_t size) = 0;
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    std::uint64_t position() const { return m_position; }

protected:
    std::uint64_t m_position = 0;
};

class CountingSink : public ByteSink
{
public:
    void write(const void *data, std::size_t size) override;
};

class StringSink : public ByteSink
{
public:
    void write(const void *data, std::size_t size) override;
    std::string &bytes() { return m_bytes; }

private:
    std::string m_bytes;
};
}
