#include "data/StatementRunner.h"

#include <Poco/Exception.h>

namespace
{
// Each thread's own: a report worker's failure never shows in a window
// that asks about its own change.
thread_local std::string t_lastFailure;
thread_local FailureKind t_lastKind = FailureKind::Other;

// SQLite's own words for a broken UNIQUE constraint; POCO's exception class
// covers every constraint, those a trigger raises included.
FailureKind kindOf(std::string_view detail)
{
    return detail.find("UNIQUE constraint failed") != std::string_view::npos ? FailureKind::Duplicate
                                                                              : FailureKind::Other;
}
}

void statementFailed(std::string_view what, const std::exception &error)
{
    statementFailed(what, errorText(error));
}

void statementFailed(std::string_view what, std::string_view detail)
{
    statementFailed(what, detail, kindOf(detail));
}

void statementFailed(std::string_view what, std::string_view detail, FailureKind kind)
{
    logFailure(what, detail);
    rememberFailure(detail, kind);
}

void rememberFailure(std::string_view detail, FailureKind kind)
{
    t_lastFailure.assign(detail);
    t_lastKind = kind;
}

const std::string &lastStatementFailure()
{
    return t_lastFailure;
}

FailureKind lastStatementFailureKind()
{
    return t_lastKind;
}

Poco::Nullable<std::string> nullIfEmpty(const std::string &text)
{
    return text.empty() ? Poco::Nullable<std::string>() : Poco::Nullable<std::string>(text);
}

Poco::Nullable<Poco::UInt64> nullIfZero(std::uint64_t id)
{
    return id == 0 ? Poco::Nullable<Poco::UInt64>() : Poco::Nullable<Poco::UInt64>(id);
}
