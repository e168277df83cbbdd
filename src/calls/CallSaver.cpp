#include "calls/CallSaver.h"

#include <algorithm>
#include <utility>

#include "base/EventLog.h"
#include "data/CallStore.h"
#include "data/HeldCallJournal.h"

CallSaver::CallSaver(ICallStore &store)
    : m_store {store}
{
}

CallSaver::~CallSaver() = default;

void CallSaver::journalTo(const std::string &path)
{
    m_journal = std::make_unique<HeldCallJournal>(path);
    m_journalKeys.clear();
}

void CallSaver::save(const CallPtr &call)
{
    if (m_holding) {
        wait(call);
        return;
    }
    if (!m_waiting.empty()) {
        wait(call);
        retry();
        return;
    }
    if (!m_store.SaveCall(*call)) {
        wait(call);
        refused();
    }
}

void CallSaver::saveRemark(const CallPtr &call)
{
    if (std::find(m_waiting.begin(), m_waiting.end(), call) != m_waiting.end()) {
        journal(call);
        return;
    }
    if (m_holding) {
        wait(call);
        return;
    }
    if (!m_store.UpdateCallRemark(*call)) {
        wait(call);
        refused();
    }
}

bool CallSaver::retry()
{
    if (m_waiting.empty()) {
        closeJournal();
        return true;
    }
    if (m_holding)
        return false;
    std::size_t stored = 0;
    while (stored < m_waiting.size() && m_store.SaveCall(*m_waiting[stored]))
        ++stored;
    m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(stored));
    m_storedLate += stored;
    if (!m_waiting.empty()) {
        refused();
        if (stored > 0)
            changed();
        return false;
    }
    logEvent("the history takes calls again: " + std::to_string(m_storedLate) + " waiting calls stored");
    m_storedLate = 0;
    closeJournal();
    m_error.clear();
    changed();
    return true;
}

void CallSaver::hold()
{
    m_holding = true;
    if (!m_journal || !m_journal->open())
        return;
    for (const CallPtr &call : m_waiting)
        journal(call);
}

std::vector<CallPtr> CallSaver::release(const std::function<bool(const CCall &call)> &stillStored)
{
    m_holding = false;
    std::vector<CallPtr> dropped;
    std::erase_if(m_waiting, [&](const CallPtr &call) {
        if (call->ID == 0 || stillStored(*call))
            return false;
        dropped.push_back(call);
        return true;
    });
    if (!dropped.empty())
        changed();
    retry();
    return dropped;
}

void CallSaver::wait(const CallPtr &call)
{
    const bool known = std::find(m_waiting.begin(), m_waiting.end(), call) != m_waiting.end();
    if (!known)
        m_waiting.push_back(call);
    journal(call);
    if (!known)
        changed();
}

// Nothing waits: nothing is left to keep.
void CallSaver::closeJournal()
{
    if (m_holding || !m_journal || !m_journal->isOpen())
        return;
    m_journal->close();
    m_journalKeys.clear();
}

// Every state of a waiting call goes to the journal while it is open; the
// last one counts.
void CallSaver::journal(const CallPtr &call)
{
    if (!m_journal || !m_journal->isOpen())
        return;
    const auto [key, isNew] = m_journalKeys.try_emplace(call.get(), 0);
    if (isNew)
        key->second = m_journal->newKey();
    m_journal->append(key->second, *call);
}

// The first refusal is logged, and a new reason; a failure that repeats on
// every tick is not.
void CallSaver::refused()
{
    std::string error = m_store.historyError();
    if (error.empty())
        error = "no reason given";
    if (error == m_error)
        return;
    m_error = std::move(error);
    logEvent("calls cannot be saved to the history: " + m_error + "; they are kept and tried again every second");
    changed();
}

void CallSaver::changed()
{
    if (m_onChange)
        m_onChange();
}
