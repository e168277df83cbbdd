#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <Poco/DateTime.h>
#include <Poco/LocalDateTime.h>
#include <Poco/Timespan.h>
#include <Poco/Timestamp.h>

// Calls carry local date-times in memory and UTC text in the database.
// These conversions go through the C library's time zone rules for the
// instant itself, so times on either side of a daylight-saving change
// convert with their own offset.

Poco::LocalDateTime localNow();
Poco::LocalDateTime localFromTimestamp(const Poco::Timestamp &instant);

// The local date-time of these calendar fields; nullopt when they are not a
// valid date and time. A wall-clock time that a change of offset repeats
// (the autumn hour, a midnight that comes twice) is its first instant,
// whatever was converted before; one that a change skips is read with the
// offset in force before the change, so it lands as far past the change.
std::optional<Poco::LocalDateTime> localDateTime(int year, int month, int day, int hour, int minute, int second);

// The instant a local date-time stands for.
Poco::Timestamp instantOf(const Poco::LocalDateTime &time);

// Local midnight at the start of the day of the given time.
Poco::LocalDateTime startOfLocalDay(const Poco::LocalDateTime &time);

// "2020-06-15T08:30:00Z": the stored form, which sorts in time order.
std::string utcText(const Poco::LocalDateTime &time);
std::string utcText(const Poco::Timestamp &instant);
std::optional<Poco::LocalDateTime> localFromUtcText(std::string_view text);

// The calendar day "YYYY-MM-DD" (as a date-time at its midnight, no zone);
// nullopt when the text is not one or the day does not exist.
std::optional<Poco::DateTime> parseCalendarDay(std::string_view text);

// "2020-06-15 08:30:00" in local time.
std::string localText(const Poco::LocalDateTime &time);

// The stored form of a duration: whole seconds, any fraction dropped.
std::int64_t wholeSeconds(const Poco::Timespan &span);
