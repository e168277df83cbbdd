#pragma once

// Ctrl-C and SIGTERM end the long-running subcommands cleanly: the handler
// only sets a flag that their loops check.
void catchInterrupts();
bool interrupted();
