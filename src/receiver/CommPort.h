#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include <Poco/Runnable.h>
#include <Poco/Thread.h>

#include "receiver/CommPortProcess.h"

// The serial channel to the receiver: one tty device at 9600 baud, 8N1, raw.
//
// Open, Close, Write and the accessors run on the main thread. The reading
// thread (run) waits for bytes, hands every batch to the event receiver
// (OnStart, OnData, OnStop on that thread) and, when it ends, closes the
// device itself. It never waits for the main thread.
//
// States: closed (no device, no thread) -> open (Open returned true) ->
// stopping (Close asked the thread to end) -> closed. A device that goes away
// (unplugged adapter, closed pseudo-terminal master) ends the thread too.
class CCommPort : public Poco::Runnable, public ICommPortProcess
{
public:
    // Bytes asked for by each read: one call frame.
    static constexpr std::size_t ReadSize = 29;
    static constexpr long StopTimeoutMs = 1000;

    // receiver is not owned; without one the channel drains its own input.
    explicit CCommPort(ICommPortProcess *receiver = nullptr);
    ~CCommPort() override;
    CCommPort(const CCommPort &) = delete;
    CCommPort &operator=(const CCommPort &) = delete;

    // Opens the device path and starts the reading thread. The port already
    // open is kept (true at once). Another port open keeps running until the
    // new one is ready: when the new one cannot be opened, or the old thread
    // does not end in time, the old port stays open and Open returns false.
    bool Open(const std::string &name);
    // Asks the reading thread to end and waits for it up to StopTimeoutMs;
    // true when no thread runs any more.
    bool Close();
    // Writes all bytes, giving up after 10 ms per byte plus 20 ms so that a
    // stuck port cannot hold the main thread. Callers may ignore the result.
    bool Write(const std::uint8_t *bytes, std::size_t count);

    bool isOpen() const { return m_open; }
    std::string portName() const;
    // Why the last Open failed; errorNumber() is the system's error code
    // where the system refused the device (EACCES...), 0 otherwise.
    const std::string &errorString() const { return m_error; }
    int errorNumber() const { return m_errorNumber; }

    // The channel's own receiver: discards everything.
    void OnData(ReceiveBuffer &buffer) override;

    void run() override;

private:
    enum class ReadOutcome
    {
        Read,
        DeviceGone,
    };

    void Run();
    ReadOutcome readOnce(int fd, short events, ReceiveBuffer &buffer);
    void shutDown();
    bool joinFinishedThread();
    void failOpen(int fd, const std::string &reason);
    // Whether the channel holds the device that name leads to.
    bool holdsDeviceOf(const std::string &name) const;
    // Ends the running port's thread, or joins one that ended on its own.
    bool stopRunning(const std::string &running);
    // The device opened, locked and set up, ready for startOn; -1 on failure.
    int openDevice(const std::string &name);
    void releaseDevice(int fd);
    bool startOn(int fd, const std::string &name);

    ICommPortProcess &m_receiver;
    // Guards the stop request, the port name and the closing of the
    // descriptors; Write holds it so the descriptor cannot be closed (and its
    // number reused) under a write.
    mutable std::mutex m_lock;
    std::unique_ptr<Poco::Thread> m_thread;
    std::atomic<bool> m_open {false};
    std::atomic<bool> m_stopRequest {false};
    int m_fd = -1;
    // Wakes the reading thread's wait from Close.
    int m_wakeFd = -1;
    std::string m_portName;
    std::string m_error;
    int m_errorNumber = 0;
};
