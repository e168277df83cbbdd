#include "calls/LinkAlarm.h"

#include <utility>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "calls/ISoundPlayer.h"

namespace
{
std::string describe(const LinkOutage &outage)
{
    return std::string(causeName(outage.cause)) + " on " + (outage.port.empty() ? "-" : outage.port) + " since "
        + localText(localFromTimestamp(outage.begin));
}

stOutage rowOf(const LinkOutage &outage)
{
    stOutage row;
    row.Begin = localFromTimestamp(outage.begin);
    row.Port = outage.port;
    row.Cause = std::string(causeName(outage.cause));
    return row;
}
}

LinkAlarm::LinkAlarm(DbManage &db, ISoundPlayer &player, std::string alarmPath)
    : m_db {db}
    , m_player {player}
    , m_alarmPath {std::move(alarmPath)}
{
}

void LinkAlarm::closeLeftOpen(const Poco::LocalDateTime &now)
{
    const int closed = m_db.CloseOpenOutages(now);
    if (closed > 0)
        logEvent(std::to_string(closed) + " link failure(s) left open by the last run end at this start, "
                 + localText(now));
}

void LinkAlarm::began(const LinkOutage &outage, const Poco::Timestamp &now)
{
    m_outage = outage;
    m_foundAt = now;
    m_lastAlarm.reset();
    m_silenced = false;
    m_row = m_holding ? 0 : beginRow(outage);
    logEvent("link failure began: " + describe(outage));
}

std::uint64_t LinkAlarm::beginRow(const LinkOutage &outage)
{
    return m_db.BeginOutage(rowOf(outage));
}

void LinkAlarm::ended(const LinkOutage &outage, const Poco::Timestamp &end)
{
    if (m_holding)
        m_heldEnds.push_back({outage, end, m_row});
    else if (m_row != 0)
        m_db.EndOutage(m_row, localFromTimestamp(end));
    const auto seconds = (end - outage.begin) / Poco::Timestamp::resolution();
    logEvent("link failure ended after " + std::to_string(seconds) + " s: " + describe(outage));
    m_outage.reset();
    m_lastAlarm.reset();
    m_row = 0;
}

void LinkAlarm::tick(const Poco::Timestamp &now)
{
    if (!m_outage || m_silenced || now - m_foundAt < supervision::AlarmAfter.totalMicroseconds())
        return;
    if (m_lastAlarm && now - *m_lastAlarm < supervision::AlarmEvery.totalMicroseconds())
        return;
    m_lastAlarm = now;
    m_player.playAlarm(m_alarmPath);
}

void LinkAlarm::silence()
{
    if (m_outage)
        m_silenced = true;
}

void LinkAlarm::hold()
{
    m_holding = true;
}

void LinkAlarm::release()
{
    if (!m_holding)
        return;
    m_holding = false;
    for (const HeldEnd &held : m_heldEnds) {
        if (const std::uint64_t row = rowAfterHold(held.outage, held.row))
            m_db.EndOutage(row, localFromTimestamp(held.end));
    }
    m_heldEnds.clear();
    if (m_outage)
        m_row = rowAfterHold(*m_outage, m_row);
}

std::uint64_t LinkAlarm::rowAfterHold(const LinkOutage &outage, std::uint64_t row)
{
    if (row != 0 && m_db.HoldsOpenOutage(row, rowOf(outage)))
        return row;
    return beginRow(outage);
}
