#include "base/LocalTime.h"

#include <cstdio>
#include <ctime>

#include <Poco/DateTime.h>

Poco::LocalDateTime localNow()
{
    return localFromTimestamp(Poco::Timestamp());
}

Poco::LocalDateTime localFromTimestamp(const Poco::Timestamp &instant)
{
    const std::time_t seconds = instant.epochTime();
    std::tm local {};
    ::localtime_r(&seconds, &local);
    const Poco::Timestamp::TimeVal fraction = instant.epochMicroseconds() - Poco::Timestamp::TimeVal(seconds) * 1000000;
    const Poco::DateTime fields(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                local.tm_sec, int(fraction / 1000), int(fraction % 1000));
    return Poco::LocalDateTime(int(local.tm_gmtoff), fields, false);
}

namespace
{
std::tm calendarFields(int year, int month, int day, int hour, int minute, int second)
{
    std::tm fields {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return fields;
}
}

std::optional<Poco::LocalDateTime> localDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (!Poco::DateTime::isValid(year, month, day, hour, minute, second))
        return std::nullopt;
    // mktime with tm_isdst -1 settles a repeated wall-clock time by the offset
    // of whatever the process converted before, so one midnight could start
    // a day at either of its two instants. Instead, the offsets in force a
    // day either side are each tried, and of those that give back the same
    // fields the earlier instant wins. No offset reaches a day away, so
    // every instant these fields can stand for lies in between.
    std::tm fields = calendarFields(year, month, day, hour, minute, second);
    const std::time_t wall = ::timegm(&fields);
    constexpr std::time_t Day = 24 * 60 * 60;
    const auto offsetAt = [](std::time_t instant) {
        std::tm local {};
        ::localtime_r(&instant, &local);
        return std::time_t(local.tm_gmtoff);
    };
    const std::time_t before = offsetAt(wall - Day);
    const std::time_t after = offsetAt(wall + Day);
    std::optional<std::time_t> found;
    for (const std::time_t offset : {before, after}) {
        const std::time_t instant = wall - offset;
        std::tm local {};
        ::localtime_r(&instant, &local);
        const bool same = local.tm_year == fields.tm_year && local.tm_mon == fields.tm_mon
            && local.tm_mday == fields.tm_mday && local.tm_hour == fields.tm_hour && local.tm_min == fields.tm_min
            && local.tm_sec == fields.tm_sec;
        if (same && (!found || instant < *found))
            found = instant;
    }
    // A time the clocks skip over: read with the offset before the change,
    // it lands as far past the change as it lay past its start.
    return localFromTimestamp(Poco::Timestamp::fromEpochTime(found.value_or(wall - before)));
}

Poco::LocalDateTime startOfLocalDay(const Poco::LocalDateTime &time)
{
    return *localDateTime(time.year(), time.month(), time.day(), 0, 0, 0);
}

std::string utcText(const Poco::Timestamp &instant)
{
    const std::time_t seconds = instant.epochTime();
    std::tm utc {};
    ::gmtime_r(&seconds, &utc);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

Poco::Timestamp instantOf(const Poco::LocalDateTime &time)
{
    // LocalDateTime::timestamp() is the wall-clock time read as UTC; the
    // instant needs the zone offset taken off.
    return Poco::Timestamp::fromUtcTime(time.utcTime());
}

std::string utcText(const Poco::LocalDateTime &time)
{
    return utcText(instantOf(time));
}

namespace
{
bool readNumber(std::string_view &text, std::size_t digits, int &value)
{
    if (text.size() < digits)
        return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    text.remove_prefix(digits);
    return true;
}

bool readChar(std::string_view &text, std::string_view accepted)
{
    if (text.empty() || accepted.find(text.front()) == std::string_view::npos)
        return false;
    text.remove_prefix(1);
    return true;
}

// Seconds east of UTC from "Z", "+hh:mm", "-hhmm" or nothing (UTC).
bool readZone(std::string_view &text, int &offset)
{
    offset = 0;
    if (text.empty() || readChar(text, "Z"))
        return text.empty();
    const char sign = text.front();
    int hours = 0;
    int minutes = 0;
    if (!readChar(text, "+-") || !readNumber(text, 2, hours))
        return false;
    readChar(text, ":");
    if (!readNumber(text, 2, minutes) || !text.empty())
        return false;
    offset = (sign == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    return true;
}
}

// Accepts what SQLite and other writers produce for an instant: the stored
// "YYYY-MM-DDTHH:MM:SSZ", a space instead of the T, a fraction of a second,
// a numeric offset.
std::optional<Poco::LocalDateTime> localFromUtcText(std::string_view text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!readNumber(text, 4, year) || !readChar(text, "-") || !readNumber(text, 2, month) || !readChar(text, "-")
        || !readNumber(text, 2, day) || !readChar(text, "T ") || !readNumber(text, 2, hour) || !readChar(text, ":")
        || !readNumber(text, 2, minute) || !readChar(text, ":") || !readNumber(text, 2, second))
        return std::nullopt;
    if (readChar(text, ".")) {
        while (!text.empty() && text.front() >= '0' && text.front() <= '9')
            text.remove_prefix(1);
    }
    int offset = 0;
    if (!readZone(text, offset) || !Poco::DateTime::isValid(year, month, day, hour, minute, second))
        return std::nullopt;
    std::tm fields = calendarFields(year, month, day, hour, minute, second);
    const std::time_t instant = ::timegm(&fields) - offset;
    return localFromTimestamp(Poco::Timestamp::fromEpochTime(instant));
}

std::optional<Poco::DateTime> parseCalendarDay(std::string_view text)
{
    int year = 0, month = 0, day = 0;
    if (!readNumber(text, 4, year) || !readChar(text, "-") || !readNumber(text, 2, month) || !readChar(text, "-")
        || !readNumber(text, 2, day) || !text.empty() || !Poco::DateTime::isValid(year, month, day))
        return std::nullopt;
    return Poco::DateTime(year, month, day);
}

std::string localText(const Poco::LocalDateTime &time)
{
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year(), time.month(), time.day(),
                  time.hour(), time.minute(), time.second());
    return text;
}

std::int64_t wholeSeconds(const Poco::Timespan &span)
{
    return span.totalMicroseconds() / Poco::Timespan::SECONDS;
}
