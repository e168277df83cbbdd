#pragma once

#include <optional>
#include <string>

// Sets TZ for the life of the object and restores the previous zone.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const std::string &zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone &) = delete;
    ScopedTimeZone &operator=(const ScopedTimeZone &) = delete;

private:
    std::optional<std::string> m_previous;
};
