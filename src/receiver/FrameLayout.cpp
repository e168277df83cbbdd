#include "receiver/FrameLayout.h"

#include "receiver/Crc16.h"

FrameTime frameTimeOf(const Poco::LocalDateTime &time)
{
    FrameTime fields;
    fields.year = static_cast<std::uint16_t>(time.year());
    fields.month = static_cast<std::uint8_t>(time.month());
    fields.day = static_cast<std::uint8_t>(time.day());
    fields.hour = static_cast<std::uint8_t>(time.hour());
    fields.minute = static_cast<std::uint8_t>(time.minute());
    fields.second = static_cast<std::uint8_t>(time.second());
    return fields;
}

FrameTime readFrameTime(std::span<const std::uint8_t> frame, std::size_t offset)
{
    const std::uint8_t *field = frame.data() + offset;
    FrameTime time;
    time.second = field[frame::SecondField];
    time.minute = field[frame::MinuteField];
    time.hour = field[frame::HourField];
    time.day = field[frame::DayField];
    time.month = field[frame::MonthField];
    time.year = static_cast<std::uint16_t>(field[frame::YearField] | field[frame::YearField + 1] << 8);
    return time;
}

void writeFrameTime(std::span<std::uint8_t> frame, std::size_t offset, const FrameTime &time)
{
    std::uint8_t *field = frame.data() + offset;
    field[frame::SecondField] = time.second;
    field[frame::MinuteField] = time.minute;
    field[frame::HourField] = time.hour;
    field[frame::DayField] = time.day;
    field[frame::MonthField] = time.month;
    field[frame::YearField] = static_cast<std::uint8_t>(time.year & 0xFF);
    field[frame::YearField + 1] = static_cast<std::uint8_t>(time.year >> 8);
}

bool hasValidCrc(std::span<const std::uint8_t> frame)
{
    if (frame.size() < frame::CrcSize)
        return false;
    const std::size_t body = frame.size() - frame::CrcSize;
    const std::uint16_t stored = static_cast<std::uint16_t>(frame[body] << 8 | frame[body + 1]);
    return crc16Xmodem(frame.first(body)) == stored;
}

void sealCrc(std::span<std::uint8_t> frame)
{
    const std::size_t body = frame.size() - frame::CrcSize;
    const std::uint16_t crc = crc16Xmodem(frame.first(body));
    frame[body] = static_cast<std::uint8_t>(crc >> 8);
    frame[body + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}
