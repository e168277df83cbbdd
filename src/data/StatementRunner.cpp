#include "data/StatementRunner.h"

#include <Poco/Exception.h>

std::string failureText(const std::exception &error)
{
    if (const auto *poco = dynamic_cast<const Poco::Exception *>(&error))
        return poco->displayText();
    return error.what();
}

Poco::Nullable<std::string> nullIfEmpty(const std::string &text)
{
    return text.empty() ? Poco::Nullable<std::string>() : Poco::Nullable<std::string>(text);
}

Poco::Nullable<Poco::UInt64> nullIfZero(std::uint64_t id)
{
    return id == 0 ? Poco::Nullable<Poco::UInt64>() : Poco::Nullable<Poco::UInt64>(id);
}
