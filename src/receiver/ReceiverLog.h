#pragma once

#include <string_view>

// Failures the receiver link handles itself (a port that vanished, a write
// given up) leave a line on stderr: the status label is their only other trace.
void logReceiverFailure(std::string_view operation, std::string_view detail);
