#pragma once

#include <exception>
#include <string_view>

// Failures the data layer handles itself (it reports them to its callers as
// results) are still worth a line on stderr: there is no other trace of them.
void logDataFailure(std::string_view operation, const std::exception &error);
void logDataFailure(std::string_view operation, std::string_view detail);
