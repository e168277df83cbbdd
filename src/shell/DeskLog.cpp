#include "shell/DeskLog.h"

#include <iostream>

void logDeskEvent(std::string_view line)
{
    std::cerr << "calldesk: " << line << std::endl;
}
