#include "data/DataFolderLock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "base/EventLog.h"
#include "data/DataFolder.h"

namespace
{
long readHolder(int fd)
{
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    return std::strtol(text, nullptr, 10);
}
}

DataFolderLock::DataFolderLock(const std::string &folder)
    : m_path {withTrailingSeparator(folder) + FileName}
{
}

DataFolderLock::~DataFolderLock()
{
    unlock();
}

bool DataFolderLock::tryLock()
{
    if (isHeld())
        return true;
    m_holder = 0;
    m_error.clear();
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) {
        m_error = m_path + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            m_holder = readHolder(fd);
        else
            m_error = m_path + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    // The lock holds all the same when this fails; only its holder's name is missing.
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size()))
        logEvent("cannot write the holder into " + m_path + ": " + std::strerror(errno));
    m_fd = fd;
    return true;
}

void DataFolderLock::unlock()
{
    if (m_fd < 0)
        return;
    // The file stays: removing it could let a second program lock a new
    // file of the same name while a third still holds the old one.
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
