#include "reports/xls/FileIo.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace YExcel
{
namespace
{
std::string systemError(const std::string &what, const std::string &path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// Buffered writes to a file descriptor; the first failure sticks.
class FileSink : public ByteSink
{
public:
    explicit FileSink(int fd)
        : m_fd {fd}
    {
        m_buffer.reserve(BufferSize);
    }

    void write(const void *data, std::size_t size) override
    {
        m_position += size;
        const auto *bytes = static_cast<const char *>(data);
        if (m_buffer.size() + size > BufferSize)
            flush();
        if (size >= BufferSize) {
            writeAll(bytes, size);
            return;
        }
        m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    }

    bool flush()
    {
        if (!m_buffer.empty())
            writeAll(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return m_errno == 0;
    }

    int failure() const { return m_errno; }

private:
    static constexpr std::size_t BufferSize = 1 << 16;

    void writeAll(const char *data, std::size_t size)
    {
        while (size > 0 && m_errno == 0) {
            const ssize_t written = ::write(m_fd, data, size);
            if (written < 0) {
                if (errno != EINTR)
                    m_errno = errno;
                continue;
            }
            data += written;
            size -= std::size_t(written);
        }
    }

    int m_fd;
    int m_errno = 0;
    std::vector<char> m_buffer;
};

std::string folderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string temporaryPath(const std::string &path)
{
    static std::atomic<unsigned> counter {0};
    return folderOf(path) + "/." + nameOf(path) + ".tmp" + std::to_string(::getpid()) + "-"
        + std::to_string(counter.fetch_add(1));
}
}

std::optional<std::string> readWritableFile(const std::string &path, std::string &error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = systemError("cannot open", path);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "not a regular file: " + path;
        ::close(fd);
        return std::nullopt;
    }
    std::string content;
    content.resize(std::size_t(info.st_size));
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t got = ::read(fd, content.data() + done, content.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    ::close(fd);
    if (done != content.size()) {
        error = "cannot read all of " + path;
        return std::nullopt;
    }
    return content;
}

bool replaceFile(const std::string &path, const std::function<bool(ByteSink &, std::string &)> &producer,
                 std::string &error)
{
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    const std::string temporary = temporaryPath(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = systemError("cannot create", temporary);
        return false;
    }
    FileSink sink(fd);
    bool ok = producer(sink, error);
    if (ok && !sink.flush()) {
        errno = sink.failure();
        error = systemError("cannot write", temporary);
        ok = false;
    }
    if (ok && replacing && ::fchmod(fd, old.st_mode & 07777) != 0) {
        error = systemError("cannot set the permissions of", temporary);
        ok = false;
    }
    if (ok && ::fsync(fd) != 0) {
        error = systemError("cannot write", temporary);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = systemError("cannot write", temporary);
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = systemError("cannot replace", path);
        ok = false;
    }
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}
}
