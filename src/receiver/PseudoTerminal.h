#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A pseudo-terminal whose far end stands in for a receiver: the host opens
// portPath() as its serial port, and the simulator, the tests and the
// benchmarks write frames into the master and read the host's answers from
// it. The pair is raw (no echo, no translation) from the start.
//
// Any thread; an object is used by one thread at a time.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isOpen() const { return m_master >= 0; }
    const std::string &errorString() const { return m_error; }
    const std::string &portPath() const { return m_portPath; }
    int masterFd() const { return m_master; }

    // Writes all bytes, waiting up to timeout for room.
    bool write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout);
    // Appends what has arrived to out, waiting up to timeout for at least one
    // byte; false when nothing came or the host end is gone.
    bool readSome(std::vector<std::uint8_t> &out, std::chrono::milliseconds timeout);
    // Appends until out holds count bytes or the timeout passes.
    bool readUntilSize(std::vector<std::uint8_t> &out, std::size_t count, std::chrono::milliseconds timeout);

    // The far end goes away, as an unplugged adapter does: the host's side
    // is hung up.
    void closeMaster();

private:
    int m_master = -1;
    // Held open so that the master keeps working while no host has the
    // port open.
    int m_slave = -1;
    std::string m_portPath;
    std::string m_error;
};
