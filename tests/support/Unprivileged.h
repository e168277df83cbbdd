#pragma once

#include <functional>
#include <string>

// Runs work in a child process in which file permissions apply as they do
// to a desk user: as the user nobody when the tests run as root (root reads
// and writes any file whatever its mode). Returns what work returned, or -1
// when the child could not run it. Files the child must reach need modes
// that let any user reach them (openToAll).
int runUnprivileged(const std::function<int()> &work);

// Lets every user read, write and enter the path (a test's own folder).
void openToAll(const std::string &path);
