#pragma once

#include <string>

// The versions of the libraries under the data layer, as this program runs
// them (not as its headers were), for the About window and support calls.
namespace LibraryVersions
{
// "1.12.4"
std::string poco();
// "3.53.2"
std::string sqlite();
// The codec's own version, "2.3.5".
std::string sqliteCipher();
}
