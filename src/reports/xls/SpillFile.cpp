#include "reports/xls/SpillFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace YExcel
{
namespace
{
constexpr std::size_t BufferSize = 1 << 16;

// An unnamed file in folder: O_TMPFILE where the file system has it,
// else a named one that is unlinked at once.
int openUnnamed(const std::string &folder)
{
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
#endif
    std::string pattern = folder + "/.calldesk-spill-XXXXXX";
    const int named = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(pattern.c_str());
    return named;
}
}

SpillFile::~SpillFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SpillFile::open(const std::string &folder, std::string &error)
{
    if (m_fd >= 0)
        return true;
    m_fd = openUnnamed(folder.empty() ? std::string(".") : folder);
    if (m_fd < 0) {
        error = "cannot make a working file in " + folder + ": " + std::strerror(errno);
        return false;
    }
    m_buffer.reserve(BufferSize);
    return true;
}

void SpillFile::write(const void *data, std::size_t size)
{
    m_position += size;
    const auto *bytes = static_cast<const char *>(data);
    if (m_buffer.size() + size > BufferSize) {
        writeOut(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    if (size >= BufferSize)
        writeOut(bytes, size);
    else
        m_buffer.insert(m_buffer.end(), bytes, bytes + size);
}

void SpillFile::writeOut(const char *data, std::size_t size)
{
    while (size > 0 && m_errno == 0) {
        const ssize_t written = m_fd < 0 ? -1 : ::write(m_fd, data, size);
        if (written < 0) {
            if (m_fd < 0)
                m_errno = EBADF;
            else if (errno != EINTR)
                m_errno = errno;
            continue;
        }
        data += written;
        size -= std::size_t(written);
    }
}

bool SpillFile::flush(std::string &error)
{
    writeOut(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
    if (m_errno != 0)
        error = std::string("cannot write the working file: ") + std::strerror(m_errno);
    return m_errno == 0;
}

bool SpillFile::copyTo(ByteSink &sink, std::uint64_t offset, std::uint64_t length, std::string &error) const
{
    std::vector<char> chunk(BufferSize);
    while (length > 0) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(length, chunk.size()));
        const ssize_t got = ::pread(m_fd, chunk.data(), want, off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = std::string("cannot read the working file back: ")
                + (got < 0 ? std::strerror(errno) : "it is shorter than written");
            return false;
        }
        sink.write(chunk.data(), std::size_t(got));
        offset += std::uint64_t(got);
        length -= std::uint64_t(got);
    }
    return true;
}
}
