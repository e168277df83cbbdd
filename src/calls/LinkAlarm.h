#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <Poco/LocalDateTime.h>
#include <Poco/Timestamp.h>

#include "receiver/OutageWatch.h"

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

    // While the history is being replaced (a restore) it takes no row, and
    // the row of a failure open before may be another one in the restored
    // file: failures are only noted, the alarm sounds as ever.
    void hold();
    // The history is back: what was noted is written, a failure that ended
    // meanwhile whole. A failure that began before the hold keeps its row
    // when the history still holds it, and gets a new one otherwise.
    void release();
    bool holding() const { return m_holding; }

    const std::optional<LinkOutage> &outage() const { return m_outage; }
    bool silenced() const { return m_silenced; }

private:
    // A failure that ended during a hold; row is the one it had before.
    struct HeldEnd
    {
        LinkOutage outage;
        Poco::Timestamp end;
        std::uint64_t row = 0;
    };

    std::uint64_t beginRow(const LinkOutage &outage);
    // The row to go on with after a hold: the failure's own, or a new one.
    std::uint64_t rowAfterHold(const LinkOutage &outage, std::uint64_t row);

    DbManage &m_db;
    ISoundPlayer &m_player;
    std::string m_alarmPath;
    std::optional<LinkOutage> m_outage;
    Poco::Timestamp m_foundAt;
    std::optional<Poco::Timestamp> m_lastAlarm;
    std::uint64_t m_row = 0;
    bool m_silenced = false;
    bool m_holding = false;
    std::vector<HeldEnd> m_heldEnds;
};
