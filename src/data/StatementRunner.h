#pragma once

// Shared mechanics of the statement operations: every operation catches
// what POCO throws, logs it with context and reports failure as a value.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include <Poco/Data/Session.h>
#include <Poco/Nullable.h>
#include <Poco/Types.h>

#include "base/EventLog.h"
#include "data/NotifiedTransaction.h"

// Logs a failed statement operation and keeps its detail as the calling
// thread's last failure.
void statementFailed(std::string_view what, const std::exception &error);
void statementFailed(std::string_view what, std::string_view detail);
// The detail of the last failure logged on the calling thread; empty when none.
const std::string &lastStatementFailure();

// True when work ran without throwing.
template <typename Work>
bool runLogged(std::string_view what, Work &&work)
{
    try {
        work();
        return true;
    } catch (const std::exception &error) {
        statementFailed(what, error);
        return false;
    }
}

// Runs an insert in a transaction with the update hook attached and returns
// the new row's id; 0 when the insert failed (the transaction rolls back).
template <typename Insert>
std::uint64_t insertForNewId(Poco::Data::Session &session, std::string_view what, Insert &&insert)
{
    try {
        NotifiedTransaction transaction(session);
        insert();
        const Poco::Int64 id = transaction.lastRow();
        transaction.commit();
        if (id == 0)
            statementFailed(what, "the database reported no new row");
        return static_cast<std::uint64_t>(id);
    } catch (const std::exception &error) {
        statementFailed(what, error);
        return 0;
    }
}

// The binding rules of the record binders: empty text and row id 0 go in as NULL.
Poco::Nullable<std::string> nullIfEmpty(const std::string &text);
Poco::Nullable<Poco::UInt64> nullIfZero(std::uint64_t id);
