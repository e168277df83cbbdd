#pragma once

#include <stdexcept>
#include <string>

// A database file that exists but cannot be used, for a reason other than
// damage (no permission, an I/O error, a read-only file system, no memory),
// or a damaged file that the one opening it may not set aside: the file is
// left exactly as it is, and the program must not start on it.
//
// Any thread: a value thrown and caught on one thread.
class DatabaseFileError : public std::runtime_error
{
public:
    DatabaseFileError(std::string path, std::string reason);

    const std::string &path() const { return m_path; }
    // The system's or the database library's text.
    const std::string &reason() const { return m_reason; }

private:
    std::string m_path;
    std::string m_reason;
};
