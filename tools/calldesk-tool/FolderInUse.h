#pragma once

#include <string>

class DataFolderLock;

// Takes the data folder's lock for a command that must not run beside a
// desk; when a desk (or another such command) holds it, says so on stderr
// and returns false.
bool lockFolder(DataFolderLock &lock, const std::string &command);
