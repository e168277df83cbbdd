#pragma once

#include <array>
#include <cstddef>
#include <optional>

#include <Poco/LocalDateTime.h>

#include "data/CallFilter.h"

// The columns of a history statement, in the order of the desk's TBHistory,
// and the site a call of the central history carries.
enum class HistoryColumn : std::size_t
{
    ID,
    CallTime,
    ProcessTime,
    TimeOut,
    EmpID,
    EmpName,
    SevStatus,
    SevTotalSeconds,
    SevType,
    PagerNum,
    PagerName,
    Zone,
    Remark,
    Site,
};
inline constexpr std::size_t HistoryColumnCount = 14;

// What differs between the databases that hold calls: a desk's own history
// in SQLite and the central history in PostgreSQL, where desks ship theirs.
// Every statement on the calls is written once, by the functions below, and
// only its dialect tells the two apart, so a report counts the same on both.
struct HistoryDialect
{
    const char *table;
    // nullptr for a column the table lacks (a desk's history has no site).
    std::array<const char *, HistoryColumnCount> columns;
    // "$1", "$2"... rather than "?".
    bool numberedParameters;
    // Times are passed as their stored UTC text; this cast, after the
    // parameter, makes the server take the text for an instant.
    const char *timeCast;
    // The condition of a call flagged as timed out.
    const char *timedOut;
    // Group keys are texts ordered by their bytes, the keys not set first,
    // as SQLite orders them: after a key's expression, and after its place
    // in an "order by".
    const char *keyCollation;
    const char *nullsFirst;
    // What selectCalls reads of each call. The desk reads its thirteen
    // stored columns (the row reader of CCall); the central history adds the
    // site and the call's own local time (see CentralHistory).
    const char *callColumns;

    const char *column(HistoryColumn which) const { return columns[static_cast<std::size_t>(which)]; }

    static const HistoryDialect Sqlite;
    static const HistoryDialect Postgres;
};

// How a count of calls groups them.
enum class CallGrouping
{
    // EmpID, EmpName.
    Attendant,
    // Zone, PagerName.
    Zone,
    // One group of every call.
    None,
};

// The " where ..." part of a history statement that selects the filter's
// calls (empty for an empty filter), with the values of its parameters in
// order. Every statement on the history's calls takes its conditions from
// here, so a count and the list of the calls it counted cannot disagree.
CallSelect callConditions(const CallFilter &filter, const HistoryDialect &dialect = HistoryDialect::Sqlite);

// The statement that reads the filter's calls (the dialect's columns) in
// call-time order (ties in the order they were stored, site by site). With
// a limit, at most that many rows.
CallSelect selectCalls(const CallFilter &filter, std::optional<std::size_t> limit = std::nullopt,
                       const HistoryDialect &dialect = HistoryDialect::Sqlite);

// The statement that counts the filter's calls by group: the site when
// bySite (where the dialect has sites), the grouping's two keys (NULL for a
// text not set), the calls, those timed out, and the average service time
// of those answered, in the order of the keys. With overdueAt, an open call
// made at or before it counts as timed out whatever its stored flag says.
CallSelect countCallsSql(const CallFilter &filter, CallGrouping grouping, bool bySite,
                         const std::optional<Poco::LocalDateTime> &overdueAt, const HistoryDialect &dialect);
