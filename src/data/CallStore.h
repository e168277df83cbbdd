#pragma once

#include <string>
#include <vector>

#include <Poco/LocalDateTime.h>

#include "data/Call.h"

// What the call handling asks of the databases: the lookup of a key press,
// and the calls it stores, remarks and reloads. DbManage is the store of the
// desk; tests put doubles in its place.
//
// Called on the thread that owns the desk's connections (the main thread).
class ICallStore
{
public:
    virtual ~ICallStore() = default;

    // Resolves a key press: the key's service, the pager's name and zone, and
    // the attendant on duty for that zone at the call's time of day. True
    // when exactly one row was found.
    virtual bool LookupCall(CCall &call, const Poco::LocalDateTime &callTime, int key, const std::string &pagerNum) = 0;
    // Inserts a call not stored yet (its ID is set only when the insert
    // committed) or updates a stored one. False when the history did not
    // take it; historyError() then says why. Neither logs: the caller, which
    // retries, decides what is worth a line.
    virtual bool SaveCall(CCall &call) = 0;
    virtual bool UpdateCallRemark(const CCall &call) = 0;
    // Why the last SaveCall or UpdateCallRemark that failed did.
    virtual std::string historyError() const = 0;
    // Open calls made after the start of the local day of currentTime, in
    // table order.
    virtual std::vector<CallPtr> LoadUntreatedToday(const Poco::LocalDateTime &currentTime) = 0;
};
