#pragma once

#include <string_view>

// The desk's event log: one line on stderr per event worth knowing (the
// port opened, closed or lost; the link failed or regained; each call,
// repeat and cancel; a failed save), as "calldesk: ...".
void logDeskEvent(std::string_view line);
