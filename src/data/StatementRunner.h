#pragma once

// Shared mechanics of the statement operations: every operation catches
// what POCO throws, logs it with context and reports failure as a value.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include <Poco/Data/Session.h>
#include <Poco/Nullable.h>
#include <Poco/Types.h>

#include "base/EventLog.h"
#include "data/FailureKind.h"
#include "data/NotifiedTransaction.h"

// Logs a failed statement operation and keeps its detail as the calling
// thread's last failure; unless given, its kind is read from its text.
void statementFailed(std::string_view what, const std::exception &error);
void statementFailed(std::string_view what, std::string_view detail);
void statementFailed(std::string_view what, std::string_view detail, FailureKind kind);
// Keeps the detail as the calling thread's last failure without logging it
// (for failures the caller logs, or logs once while they repeat).
void rememberFailure(std::string_view detail, FailureKind kind = FailureKind::Other);
// The detail of the last failure on the calling thread; empty when none.
const std::string &lastStatementFailure();
FailureKind lastStatementFailureKind();

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

// True when work ran without throwing; otherwise the failure's text goes
// into error and nothing is logged (for callers that retry and log once).
template <typename Work>
bool runRecorded(std::string &error, Work &&work)
{
    try {
        work();
        return true;
    } catch (const std::exception &failure) {
        error = errorText(failure);
        return false;
    }
}

// Runs an insert in a transaction with the update hook attached and returns
// the new row's id; 0 when the insert failed (the transaction rolls back)
// and error holds why.
template <typename Insert>
std::uint64_t insertForNewId(Poco::Data::Session &session, std::string &error, Insert &&insert)
{
    try {
        NotifiedTransaction transaction(session);
        insert();
        const Poco::Int64 id = transaction.lastRow();
        transaction.commit();
        if (id == 0)
            error = "the database reported no new row";
        return static_cast<std::uint64_t>(id);
    } catch (const std::exception &failure) {
        error = errorText(failure);
        return 0;
    }
}

// As above, logging a failure with what (and keeping it as the thread's last).
template <typename Insert>
std::uint64_t insertForNewId(Poco::Data::Session &session, std::string_view what, Insert &&insert)
{
    std::string error;
    const std::uint64_t id = insertForNewId(session, error, std::forward<Insert>(insert));
    if (id == 0)
        statementFailed(what, error);
    return id;
}

// The binding rules of the record binders: empty text and row id 0 go in as NULL.
Poco::Nullable<std::string> nullIfEmpty(const std::string &text);
Poco::Nullable<Poco::UInt64> nullIfZero(std::uint64_t id);
