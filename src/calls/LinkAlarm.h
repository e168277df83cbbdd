#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <Poco/LocalDateTime.h>
#include <Poco/Timestamp.h>

#include "receiver/LinkSupervision.h"

class DbManage;
class ISoundPlayer;

// The desk's answer to a failed link to the receiver: each failure is a row
// of the history's outage log, written when it begins and completed when it
// ends (so a crash leaves an open row, which the next start closes); a line
// on the log at both ends; and, once it has lasted 30 s, the alarm sound
// every 10 s until the link is back or the alarm is silenced for this
// failure. Main thread only.
class LinkAlarm
{
public:
    LinkAlarm(DbManage &db, ISoundPlayer &player, std::string alarmPath);

    // At start: rows a crash left open end at the start's time (nothing is
    // known of when the link came back while no desk ran).
    void closeLeftOpen(const Poco::LocalDateTime &now);

    // now: when the failure was found, from which the alarm waits.
    void began(const LinkOutage &outage, const Poco::Timestamp &now);
    void ended(const LinkOutage &outage, const Poco::Timestamp &end);
    // Every second.
    void tick(const Poco::Timestamp &now);
    // No more sound for this failure; the next failure sounds again.
    void silence();

    const std::optional<LinkOutage> &outage() const { return m_outage; }
    bool silenced() const { return m_silenced; }

private:
    DbManage &m_db;
    ISoundPlayer &m_player;
    std::string m_alarmPath;
    std::optional<LinkOutage> m_outage;
    Poco::Timestamp m_foundAt;
    std::optional<Poco::Timestamp> m_lastAlarm;
    std::uint64_t m_row = 0;
    bool m_silenced = false;
};
