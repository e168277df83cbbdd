#pragma once

#include <string>
#include <vector>

#include "data/CallStore.h"

// Passes everything to a real store, except that the history's writes can be
// made to fail on purpose, as a full or read-only history would; counts the
// writes it was asked for.
class FailingCallStore : public ICallStore
{
public:
    explicit FailingCallStore(ICallStore &store)
        : m_store {store}
    {
    }

    // While set, SaveCall and UpdateCallRemark fail with this reason.
    void failWrites(const std::string &reason) { m_failure = reason; }
    void acceptWrites() { m_failure.clear(); }

    bool LookupCall(CCall &call, const Poco::LocalDateTime &callTime, int key, const std::string &pagerNum) override
    {
        return m_store.LookupCall(call, callTime, key, pagerNum);
    }
    bool SaveCall(CCall &call) override
    {
        ++writes;
        return m_failure.empty() ? m_store.SaveCall(call) : false;
    }
    bool UpdateCallRemark(const CCall &call) override
    {
        ++writes;
        return m_failure.empty() ? m_store.UpdateCallRemark(call) : false;
    }
    std::string historyError() const override { return m_failure.empty() ? m_store.historyError() : m_failure; }
    std::vector<CallPtr> LoadUntreatedToday(const Poco::LocalDateTime &currentTime) override
    {
        return m_store.LoadUntreatedToday(currentTime);
    }

    int writes = 0;

private:
    ICallStore &m_store;
    std::string m_failure;
};
