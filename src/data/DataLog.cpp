#include "data/DataLog.h"

#include <iostream>

#include <Poco/Exception.h>

void logDataFailure(std::string_view operation, const std::exception &error)
{
    if (const auto *poco = dynamic_cast<const Poco::Exception *>(&error))
        logDataFailure(operation, poco->displayText());
    else
        logDataFailure(operation, error.what());
}

void logDataFailure(std::string_view operation, std::string_view detail)
{
    std::cerr << "calldesk: data: " << operation << ": " << detail << '\n';
}
