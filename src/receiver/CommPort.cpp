#include "receiver/CommPort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <Poco/Exception.h>

#include "base/EventLog.h"
#include "receiver/ReceiveBuffer.h"

namespace
{
using SteadyClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds WriteTimePerByte {10};
constexpr std::chrono::milliseconds WriteTimeConstant {20};

std::string osError(int error)
{
    return std::strerror(error);
}

bool applyLineSettings(int fd)
{
    termios settings {};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    // Binary frames: no echo, no line editing, no character translation, no
    // XON/XOFF (0x11 and 0x13 are ordinary bytes here).
    ::cfmakeraw(&settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    // 8 data bits, no parity, one stop bit; the receiver drives no modem
    // lines, so they are ignored and no hardware handshake waits on them.
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    // One byte wakes a read; with O_NONBLOCK an empty read then reports
    // EAGAIN, so end of file can only mean a hang-up.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, B9600) != 0 || ::cfsetospeed(&settings, B9600) != 0)
        return false;
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

bool isDeviceGoneError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV || error == EBADF;
}

void drainWake(int wakeFd)
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t ignored = ::read(wakeFd, &count, sizeof count);
}

void signalWake(int wakeFd)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wakeFd, &one, sizeof one);
}
}

CCommPort::CCommPort(ICommPortProcess *receiver)
    : m_receiver {receiver ? *receiver : *this}
{
}

CCommPort::~CCommPort()
{
    if (!Close() && m_thread) {
        // Freeing the channel under a running thread would be worse than a
        // late exit.
        logFailure("closing " + portName(), "the reading thread did not end in time; waiting for it");
        m_thread->join();
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

std::string CCommPort::portName() const
{
    std::lock_guard lock(m_lock);
    return m_portName;
}

void CCommPort::OnData(ReceiveBuffer &buffer)
{
    buffer.clear();
}

bool CCommPort::Open(const std::string &name)
{
    const std::string running = m_open ? portName() : std::string();
    if (m_open && name == running)
        return true;
    m_errorNumber = 0;
    if (name.empty()) {
        m_error = "no serial port given";
        return false;
    }
    // The new device is made ready before the running one is let go, so a
    // name that cannot be opened leaves the receiver working. The same device
    // under another name cannot be taken while this channel holds it: that
    // one is let go first and taken back under its old name on failure.
    if (!running.empty() && holdsDeviceOf(name)) {
        if (!stopRunning(running))
            return false;
        const int fd = openDevice(name);
        if (fd >= 0)
            return startOn(fd, name);
        const std::string error = m_error;
        const int errorNumber = m_errorNumber;
        if (const int back = openDevice(running); back >= 0)
            startOn(back, running);
        m_error = error;
        m_errorNumber = errorNumber;
        return false;
    }
    const int fd = openDevice(name);
    if (fd < 0)
        return false;
    if (!stopRunning(running)) {
        releaseDevice(fd);
        return false;
    }
    return startOn(fd, name);
}

bool CCommPort::holdsDeviceOf(const std::string &name) const
{
    struct stat wanted {};
    struct stat held {};
    std::lock_guard lock(m_lock);
    return m_fd >= 0 && ::stat(name.c_str(), &wanted) == 0 && ::fstat(m_fd, &held) == 0 && S_ISCHR(wanted.st_mode)
           && wanted.st_rdev == held.st_rdev;
}

bool CCommPort::stopRunning(const std::string &running)
{
    if (!running.empty() && !Close()) {
        m_stopRequest = false;
        m_error = "the reading thread of " + running + " did not end; it stays open";
        return false;
    }
    if (!joinFinishedThread()) {
        m_error = "the previous reading thread has not ended";
        return false;
    }
    return true;
}

int CCommPort::openDevice(const std::string &name)
{
    const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_errorNumber = errno;
        m_error = name + ": " + osError(m_errorNumber);
        return -1;
    }
    if (!::isatty(fd)) {
        failOpen(fd, name + ": not a serial device");
        return -1;
    }
    // The receiver talks to one program only. TIOCEXCL does not stop a
    // privileged process, so an advisory lock and the exclusive flag of
    // another holder are checked as well.
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) {
        failOpen(fd, name + ": in use by another program");
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        failOpen(fd, name + ": " + (error == EWOULDBLOCK ? std::string("in use by another program") : osError(error)));
        return -1;
    }
    if (!applyLineSettings(fd)) {
        failOpen(fd, name + ": cannot set the line: " + osError(errno));
        return -1;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        failOpen(fd, name + ": cannot take it exclusively: " + osError(errno));
        return -1;
    }
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

void CCommPort::releaseDevice(int fd)
{
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

bool CCommPort::startOn(int fd, const std::string &name)
{
    {
        std::lock_guard lock(m_lock);
        if (m_wakeFd < 0)
            m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (m_wakeFd < 0) {
            m_errorNumber = errno;
            releaseDevice(fd);
            m_error = name + ": " + osError(m_errorNumber);
            return false;
        }
        m_fd = fd;
        m_portName = name;
        m_stopRequest = false;
    }
    // Set before the thread starts: a thread that ends at once clears it
    // again, and the flag never claims a port whose thread has gone.
    m_open = true;
    try {
        m_thread = std::make_unique<Poco::Thread>("serial reader");
        m_thread->start(*this);
    } catch (const Poco::Exception &error) {
        m_thread.reset();
        shutDown();
        m_error = name + ": cannot start the reading thread: " + error.displayText();
        return false;
    }
    return true;
}

void CCommPort::failOpen(int fd, const std::string &reason)
{
    m_errorNumber = 0;
    m_error = reason;
    ::close(fd);
}

bool CCommPort::joinFinishedThread()
{
    if (!m_thread)
        return true;
    // A thread that ended on its own (device gone) still has to be joined;
    // it is at or past its last report, a post that never waits, so this
    // wait is short.
    if (!m_thread->tryJoin(StopTimeoutMs))
        return false;
    m_thread.reset();
    return true;
}

bool CCommPort::Close()
{
    if (!m_thread)
        return true;
    {
        std::lock_guard lock(m_lock);
        m_stopRequest = true;
        if (m_wakeFd >= 0)
            signalWake(m_wakeFd);
    }
    return joinFinishedThread();
}

bool CCommPort::Write(const std::uint8_t *bytes, std::size_t count)
{
    std::lock_guard lock(m_lock);
    if (m_fd < 0)
        return false;
    const auto deadline = SteadyClock::now() + WriteTimeConstant + WriteTimePerByte * static_cast<long>(count);
    std::size_t written = 0;
    while (written < count) {
        const ssize_t n = ::write(m_fd, bytes + written, count - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0) {
            logFailure("writing to " + m_portName,
                               "gave up after " + std::to_string(written) + " of " + std::to_string(count) + " bytes");
            return false;
        }
        pollfd writable {m_fd, POLLOUT, 0};
        ::poll(&writable, 1, static_cast<int>(left.count()));
    }
    return true;
}

void CCommPort::run()
{
    Run();
}

void CCommPort::Run()
{
    int fd = -1;
    int wakeFd = -1;
    {
        std::lock_guard lock(m_lock);
        fd = m_fd;
        wakeFd = m_wakeFd;
    }
    try {
        ReceiveBuffer buffer;
        m_receiver.OnStart();
        for (;;) {
            pollfd events[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
            const int ready = ::poll(events, 2, -1);
            const int pollError = ready < 0 ? errno : 0;
            if (events[1].revents & POLLIN)
                drainWake(wakeFd);
            if (m_stopRequest) {
                ::tcflush(fd, TCIOFLUSH);
                break;
            }
            if (pollError == EINTR)
                continue;
            if (pollError) {
                logFailure("waiting on " + portName(), osError(pollError));
                break;
            }
            if (events[0].revents && readOnce(fd, events[0].revents, buffer) == ReadOutcome::DeviceGone)
                break;
        }
    } catch (const std::exception &error) {
        logFailure("reading " + portName(), error.what());
    }
    const std::string name = portName();
    // Closed before the stop is reported: whoever handles the report must
    // find the channel closed, free to open again.
    shutDown();
    try {
        m_receiver.OnStop();
    } catch (const std::exception &error) {
        logFailure("stopping " + name, error.what());
    }
}

CCommPort::ReadOutcome CCommPort::readOnce(int fd, short events, ReceiveBuffer &buffer)
{
    const bool lineDown = events & (POLLHUP | POLLERR | POLLNVAL);
    const std::span<std::uint8_t> room = buffer.freeSpace();
    const std::size_t wanted = std::min(ReadSize, room.size());
    const ssize_t n = ::read(fd, room.data(), wanted);
    if (n > 0) {
        const auto count = static_cast<std::size_t>(n);
        // Bytes nobody consumes must not grow without bound: once the buffer
        // would be full, everything in it is dropped.
        if (buffer.used() + count >= buffer.capacity()) {
            buffer.clear();
            return ReadOutcome::Read;
        }
        buffer.commit(count);
        m_receiver.OnData(buffer);
        return ReadOutcome::Read;
    }
    if (n == 0) {
        logFailure("reading " + portName(), "the line was hung up");
        return ReadOutcome::DeviceGone;
    }
    const int error = errno;
    if (isDeviceGoneError(error)) {
        logFailure("reading " + portName(), osError(error));
        return ReadOutcome::DeviceGone;
    }
    if (lineDown) {
        logFailure("reading " + portName(), "the device reported a hang-up or an error");
        return ReadOutcome::DeviceGone;
    }
    return ReadOutcome::Read;
}

void CCommPort::shutDown()
{
    std::lock_guard lock(m_lock);
    m_portName.clear();
    m_stopRequest = false;
    m_open = false;
    if (m_fd >= 0) {
        // The exclusive flag belongs to the tty, not to this descriptor: left
        // set, it would refuse the next program (or this one reopening).
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
}
