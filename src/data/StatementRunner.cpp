#include "data/StatementRunner.h"

#include <Poco/Exception.h>

namespace
{
// Each thread's own: a report worker's failure never shows in a window
// that asks about its own change.
thread_local std::string t_lastFailure;
}

void statementFailed(std::string_view what, const std::exception &error)
{
    statementFailed(what, errorText(error));
}

void statementFailed(std::string_view what, std::string_view detail)
{
    logFailure(what, detail);
    rememberFailure(detail);
}

void rememberFailure(std::string_view detail)
{
    t_lastFailure.assign(detail);
}

const std::string &lastStatementFailure()
{
    return t_lastFailure;
}

Poco::Nullable<std::string> nullIfEmpty(const std::string &text)
{
    return text.empty() ? Poco::Nullable<std::string>() : Poco::Nullable<std::string>(text);
}

Poco::Nullable<Poco::UInt64> nullIfZero(std::uint64_t id)
{
    return id == 0 ? Poco::Nullable<Poco::UInt64>() : Poco::Nullable<Poco::UInt64>(id);
}
