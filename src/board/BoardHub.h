#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "board/BoardState.h"

class BoardStream;

// The live board's state and its event streams. The desk publishes whole
// states; the board's own thread compares each with the last, turns the
// difference into one event and queues it on every stream. A stream that
// opens gets the whole state first, then every change after it, in order.
//
// publish() may be called from any thread and only swaps a value under a
// brief lock: the desk never waits for the board or its browsers. The other
// members are called by the connection threads; the board's thread lives
// from construction to destruction.
class BoardHub
{
public:
    static constexpr std::size_t MaxStreams = 64;
    // Far more than a full list of open calls; a browser this far behind is
    // dropped and reconnects to the whole state.
    static constexpr std::size_t MaxQueuedBytes = 1024 * 1024;

    BoardHub();
    ~BoardHub();
    BoardHub(const BoardHub &) = delete;
    BoardHub &operator=(const BoardHub &) = delete;

    void publish(BoardState state);

    // A new stream for the device, its first event the whole state; nullptr
    // when MaxStreams are open.
    std::shared_ptr<BoardStream> open(const std::string &device);
    void close(const std::shared_ptr<BoardStream> &stream);
    // Closes every stream of the device (removed from the board).
    void cutOff(const std::string &device);
    // Closes every stream (the server stops).
    void closeAll();

    std::size_t streamCount() const;
    // Waits up to timeout until exactly count streams are open.
    bool waitForStreamCount(std::size_t count, std::chrono::milliseconds timeout) const;

    // The event texts, as the page reads them.
    static std::string stateEvent(const BoardState &state, std::int64_t nowMs);
    // Empty when nothing changed.
    static std::string changeEvent(const BoardState &from, const BoardState &to, std::int64_t nowMs);

private:
    void run(std::stop_token stop);
    void forget(const std::shared_ptr<BoardStream> &stream);

    std::mutex m_mailboxMutex;
    std::condition_variable_any m_mailboxReady;
    std::optional<BoardState> m_mailbox;

    // Guards the streams and the state they were last sent, so that a
    // stream opening between two changes misses none and sees none twice.
    mutable std::mutex m_streamsMutex;
    mutable std::condition_variable m_streamsChanged;
    std::vector<std::shared_ptr<BoardStream>> m_streams;
    BoardState m_current;

    std::jthread m_thread;
};
