#include "base/EventLog.h"

#include <cstdio>
#include <mutex>
#include <string>

#include <Poco/Exception.h>

namespace
{
std::mutex g_lock;
}

void logEvent(std::string_view what)
{
    std::string line = "calldesk: ";
    line.append(what);
    line += '\n';
    std::lock_guard lock(g_lock);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void logFailure(std::string_view operation, std::string_view detail)
{
    std::string what(operation);
    what += ": ";
    what.append(detail);
    logEvent(what);
}

void logFailure(std::string_view operation, const std::exception &error)
{
    logFailure(operation, errorText(error));
}

std::string errorText(const std::exception &error)
{
    if (const auto *poco = dynamic_cast<const Poco::Exception *>(&error))
        return poco->displayText();
    return error.what();
}
