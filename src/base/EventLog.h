#pragma once

#include <exception>
#include <string>
#include <string_view>

// The program's one log: a line on stderr for each event worth knowing and
// for each failure that a layer handles itself (a result tells its caller;
// the line is the only other trace), as "calldesk: <what happened>". Each
// line is written whole and at once, so lines of the reading thread and the
// main thread never mix. Any thread.
void logEvent(std::string_view what);

// "calldesk: <operation>: <detail>".
void logFailure(std::string_view operation, std::string_view detail);
// The detail is the exception's text (POCO's display text for its own).
void logFailure(std::string_view operation, const std::exception &error);

// That text, for telling a user why something failed.
std::string errorText(const std::exception &error);
