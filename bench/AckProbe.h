#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class PseudoTerminal;

// Plays a receiver to a desk over a pseudo-terminal: calls and cancels over
// twenty pagers, one frame at a time, 33 a second (what a 9600-baud line
// carries at most), timing each frame from its last byte written to its
// acknowledgement's last byte read. For the benchmarks of the desk.
class AckProbe
{
public:
    explicit AckProbe(PseudoTerminal &line);
    ~AckProbe();

    // Sends frames one after another on the calling thread; the latencies in
    // milliseconds. Ends early at the first frame left unanswered.
    std::vector<double> measure(int frames);

    // The same on a thread of its own until stop(), for timing the desk
    // while it does something else. A desk in the same process must go on
    // handling its events until the last frame is answered: requestStop(),
    // then run its event loop until finished(), then stop().
    void start();
    void requestStop() { m_stop = true; }
    bool finished() const { return m_finished; }
    std::vector<double> stop();

    bool failed() const { return m_failed; }
    // When each frame's last byte was written, in the order sent; read it
    // after measure() or stop().
    const std::vector<std::chrono::steady_clock::time_point> &writtenAt() const { return m_writtenAt; }

private:
    bool sendOne(std::vector<double> &latencies);

    PseudoTerminal &m_line;
    std::uint32_t m_sequence = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop {false};
    std::atomic<bool> m_failed {false};
    std::atomic<bool> m_finished {false};
    std::mutex m_lock;
    std::vector<double> m_latencies;
    std::vector<std::chrono::steady_clock::time_point> m_writtenAt;
};

// The p-th fraction (0 to 1) of the values, nearest rank.
double percentile(std::vector<double> values, double p);
