#pragma once

#include <string>

// The version of this build, as support asks for it: the project's version,
// with `git describe` of the source (tag or commit, "-dirty" for uncommitted
// changes) in brackets when it was built from a git checkout, for example
// "0.1.0 (fbb7148)".
std::string buildVersion();
