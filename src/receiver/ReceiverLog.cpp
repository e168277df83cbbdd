#include "receiver/ReceiverLog.h"

#include <iostream>
#include <string>

void logReceiverFailure(std::string_view operation, std::string_view detail)
{
    std::cerr << "calldesk receiver: " << operation << ": " << detail << std::endl;
}
