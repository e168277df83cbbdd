#include "receiver/PseudoTerminal.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace
{
using SteadyClock = std::chrono::steady_clock;

int millisecondsUntil(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}
}

PseudoTerminal::PseudoTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        closeMaster();
        return;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        closeMaster();
        return;
    }
    m_portPath = name;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Terminal settings of the master apply to the slave: make the line raw
    // before any host opens it, so that nothing written now is echoed back.
    termios settings {};
    if (::tcgetattr(m_master, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(m_master, TCSANOW, &settings);
    }
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
}

void PseudoTerminal::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
}

bool PseudoTerminal::write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout)
{
    const auto deadline = SteadyClock::now() + timeout;
    std::size_t written = 0;
    while (written < bytes.size()) {
        if (m_master < 0)
            return false;
        const ssize_t n = ::write(m_master, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (SteadyClock::now() >= deadline)
            return false;
        pollfd writable {m_master, POLLOUT, 0};
        ::poll(&writable, 1, millisecondsUntil(deadline));
    }
    return true;
}

bool PseudoTerminal::readSome(std::vector<std::uint8_t> &out, std::chrono::milliseconds timeout)
{
    const auto deadline = SteadyClock::now() + timeout;
    for (;;) {
        if (m_master < 0)
            return false;
        std::uint8_t chunk[512];
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n > 0) {
            out.insert(out.end(), chunk, chunk + n);
            return true;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            return false;
        if (SteadyClock::now() >= deadline)
            return false;
        pollfd readable {m_master, POLLIN, 0};
        ::poll(&readable, 1, millisecondsUntil(deadline));
    }
}

bool PseudoTerminal::readUntilSize(std::vector<std::uint8_t> &out, std::size_t count, std::chrono::milliseconds timeout)
{
    const auto deadline = SteadyClock::now() + timeout;
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0 || !readSome(out, left))
            return out.size() >= count;
    }
    return true;
}
