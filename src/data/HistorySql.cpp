#include "data/HistorySql.h"

#include <string>

#include "base/LocalTime.h"

const HistoryDialect HistoryDialect::Sqlite {
    "TBHistory",
    {"ID", "CallTime", "ProcessTime", "TimeOut", "EmpID", "EmpName", "SevStatus", "SevTotalSeconds", "SevType",
     "PagerNum", "PagerName", "Zone", "Remark", nullptr},
    false,
    "",
    "TimeOut<>0",
    "",
    "",
    "ID,CallTime,ProcessTime,TimeOut,EmpID,EmpName,SevStatus,SevTotalSeconds,SevType,PagerNum,PagerName,Zone,Remark",
};

// Times come back as whole seconds since 1970 (the desks store no
// fractions), with the offset of the desk's clock at the call.
const HistoryDialect HistoryDialect::Postgres {
    "calldesk.calls",
    {"local_id", "call_time", "process_time", "time_out", "emp_id", "emp_name", "sev_status", "sev_total_seconds",
     "sev_type", "pager_num", "pager_name", "zone", "remark", "site"},
    true,
    "::timestamptz",
    "time_out",
    " COLLATE \"C\"",
    " NULLS FIRST",
    "site,local_id,extract(epoch FROM call_time)::bigint,"
    "extract(epoch FROM local_call_time-(call_time AT TIME ZONE 'UTC'))::bigint,"
    "extract(epoch FROM process_time)::bigint,time_out::integer,emp_id,emp_name,sev_status,sev_total_seconds,"
    "sev_type,pager_num,pager_name,zone,remark",
};

namespace
{
// "%" and "_" of a searched text are its own characters, not wildcards.
std::string likePattern(const std::string &part)
{
    std::string pattern = "%";
    for (const char c : part) {
        if (c == '%' || c == '_' || c == '\\')
            pattern += '\\';
        pattern += c;
    }
    return pattern + "%";
}

// Adds a value and returns its marker in the statement.
std::string parameter(CallSelect &select, const HistoryDialect &dialect, CallSelect::Value value)
{
    select.values.push_back(std::move(value));
    return dialect.numberedParameters ? "$" + std::to_string(select.values.size()) : std::string("?");
}

std::string timeParameter(CallSelect &select, const HistoryDialect &dialect, const Poco::LocalDateTime &time)
{
    return parameter(select, dialect, utcText(time)) + dialect.timeCast;
}

// Appends the filter's conditions to select, which may hold parameters
// already.
void appendConditions(CallSelect &select, const CallFilter &filter, const HistoryDialect &dialect)
{
    const char *joiner = " where ";
    const auto condition = [&](const std::string &text) {
        select.sql += joiner + text;
        joiner = " and ";
    };
    const auto column = [&](HistoryColumn which) { return std::string(dialect.column(which)); };
    const auto exactText = [&](HistoryColumn which, const std::optional<std::string> &text) {
        if (!text)
            return;
        if (text->empty()) {
            condition("(" + column(which) + " is null or " + column(which) + "='')");
            return;
        }
        condition(column(which) + "=" + parameter(select, dialect, *text));
    };
    if (filter.from)
        condition(column(HistoryColumn::CallTime) + " >= " + timeParameter(select, dialect, *filter.from));
    if (filter.to)
        condition(column(HistoryColumn::CallTime) + " < " + timeParameter(select, dialect, *filter.to));
    if (!filter.sites.empty() && dialect.column(HistoryColumn::Site)) {
        std::string list;
        for (const std::string &site : filter.sites)
            list += (list.empty() ? "" : ",") + parameter(select, dialect, site);
        condition(column(HistoryColumn::Site) + " in (" + list + ")");
    }
    exactText(HistoryColumn::Zone, filter.zone);
    exactText(HistoryColumn::SevType, filter.serviceType);
    exactText(HistoryColumn::PagerName, filter.pagerName);
    exactText(HistoryColumn::EmpID, filter.attendantId);
    exactText(HistoryColumn::EmpName, filter.attendantName);
    if (filter.attendantNamePart)
        condition(column(HistoryColumn::EmpName) + " like "
                  + parameter(select, dialect, likePattern(*filter.attendantNamePart)) + " escape '\\'");
    if (filter.minServiceSeconds)
        condition(column(HistoryColumn::SevTotalSeconds)
                  + " >= " + parameter(select, dialect, Poco::Int64(*filter.minServiceSeconds)));
    if (filter.maxServiceSeconds)
        condition(column(HistoryColumn::SevTotalSeconds)
                  + " <= " + parameter(select, dialect, Poco::Int64(*filter.maxServiceSeconds)));
    if (filter.state)
        condition(column(HistoryColumn::SevStatus) + "=" + parameter(select, dialect, Poco::Int64(*filter.state)));
}
}

CallSelect callConditions(const CallFilter &filter, const HistoryDialect &dialect)
{
    CallSelect select;
    appendConditions(select, filter, dialect);
    return select;
}

CallSelect selectCalls(const CallFilter &filter, std::optional<std::size_t> limit, const HistoryDialect &dialect)
{
    CallSelect select;
    select.sql = "SELECT " + std::string(dialect.callColumns) + " from " + dialect.table;
    appendConditions(select, filter, dialect);
    // The call-time index gives this order without a sort; ID breaks ties
    // between calls of the same second in the order they were stored.
    select.sql += std::string(" order by ") + dialect.column(HistoryColumn::CallTime) + ",";
    if (const char *site = dialect.column(HistoryColumn::Site))
        select.sql += std::string(site) + ",";
    select.sql += dialect.column(HistoryColumn::ID);
    if (limit)
        select.sql += " limit " + parameter(select, dialect, Poco::Int64(*limit));
    return select;
}

CallSelect countCallsSql(const CallFilter &filter, CallGrouping grouping, bool bySite,
                         const std::optional<Poco::LocalDateTime> &overdueAt, const HistoryDialect &dialect)
{
    const auto column = [&](HistoryColumn which) { return std::string(dialect.column(which)); };
    // A text stored empty is "not set" as much as NULL is (the filter's
    // empty text selects both), so both fall into one group.
    const auto key = [&](HistoryColumn which) {
        return "nullif(" + column(which) + ",'')" + dialect.keyCollation;
    };
    std::string keys = "null,null";
    if (grouping == CallGrouping::Attendant)
        keys = key(HistoryColumn::EmpID) + "," + key(HistoryColumn::EmpName);
    else if (grouping == CallGrouping::Zone)
        keys = key(HistoryColumn::Zone) + "," + key(HistoryColumn::PagerName);
    const bool sites = bySite && dialect.column(HistoryColumn::Site);
    if (sites)
        keys = column(HistoryColumn::Site) + dialect.keyCollation + "," + keys;
    CallSelect select;
    // An open call is flagged by the desk's tick, which a desk that is not
    // running never gives; its age alone makes it overdue. Its parameter
    // comes before those of the conditions.
    std::string timedOut = dialect.timedOut;
    if (overdueAt)
        timedOut += " or (coalesce(" + column(HistoryColumn::SevStatus) + ",0)=0 and " + column(HistoryColumn::CallTime)
            + "<=" + timeParameter(select, dialect, *overdueAt) + ")";
    select.sql = "SELECT " + keys + ",count(*),count(case when " + timedOut + " then 1 end),avg(case when "
        + column(HistoryColumn::SevStatus) + "=0 then null else " + column(HistoryColumn::SevTotalSeconds)
        + " end) from " + dialect.table;
    appendConditions(select, filter, dialect);
    const std::size_t groupKeys = (grouping != CallGrouping::None ? 2 : 0) + (sites ? 1 : 0);
    std::string groupBy;
    std::string orderBy;
    for (std::size_t key = 1; key <= groupKeys; ++key) {
        groupBy += (key > 1 ? "," : "") + std::to_string(key);
        orderBy += (key > 1 ? "," : "") + std::to_string(key) + dialect.nullsFirst;
    }
    if (groupKeys > 0)
        select.sql += " group by " + groupBy + " order by " + orderBy;
    return select;
}
