#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/Call.h"

class HeldCallJournal;
class ICallStore;

// Stores calls in the history in the order they come. A call the history
// does not take (a full disk, a file made read-only) stays here and is tried
// again on every tick until it is stored; calls that come meanwhile queue
// behind it, so the history keeps their order and no call is stored twice
// (an insert sets the call's ID only once it committed). Nothing is tried
// while nothing waits. From a hold on, until nothing waits any more, every
// waiting call is also kept in a journal file, written before save returns
// (so before the receiver is answered): a crash meanwhile loses none.
// Main thread only.
class CallSaver
{
public:
    explicit CallSaver(ICallStore &store);
    ~CallSaver();

    // Inserts the call, or updates its whole row once stored.
    void save(const CallPtr &call);
    // Stores the call's remark; a call that waits gets it with its row.
    void saveRemark(const CallPtr &call);
    // Tries the waiting calls once more, in order; true when none is left.
    // Tries nothing while held.
    bool retry();

    // The file that keeps the waiting calls from a hold on (none: memory
    // only).
    void journalTo(const std::string &path);

    // While the history is being replaced (a restore), calls only queue:
    // nothing is tried, and nothing counts as refused.
    void hold();
    // Ends the hold. A waiting call already stored (its ID set) keeps its
    // place only when stillStored says the history still holds its row;
    // the others are dropped and returned, so that no change is written over
    // whatever row carries that ID now. Then the queue is tried at once.
    std::vector<CallPtr> release(const std::function<bool(const CCall &call)> &stillStored);
    bool holding() const { return m_holding; }

    std::size_t waiting() const { return m_waiting.size(); }
    const std::vector<CallPtr> &waitingCalls() const { return m_waiting; }
    // Why the history refused the last try; empty while nothing waits.
    const std::string &error() const { return m_error; }

    // Called when calls begin or stop waiting, or the reason changes.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

private:
    void wait(const CallPtr &call);
    void journal(const CallPtr &call);
    void closeJournal();
    void refused();
    void changed();

    ICallStore &m_store;
    std::vector<CallPtr> m_waiting;
    std::string m_error;
    std::size_t m_storedLate = 0;
    bool m_holding = false;
    std::function<void()> m_onChange;
    std::unique_ptr<HeldCallJournal> m_journal;
    std::unordered_map<const CCall *, std::uint64_t> m_journalKeys;
};
