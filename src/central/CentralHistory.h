#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/HistorySource.h"

class PgConnection;

// The central history as the reports read it: the calls of every site that
// ships, on a connection to the central database, through the statements
// a desk runs on its own history, in PostgreSQL's dialect.
//
// A call keeps the local time its desk showed: its times are those of the
// desk's clock at the call, whatever the time zone of the reader. The days
// a filter selects are the reader's own local days.
//
// Lives on the thread that owns the connection.
class CentralHistory : public HistorySource
{
public:
    explicit CentralHistory(PgConnection &connection);

    CallReadResult readCalls(const CallFilter &filter, const SiteCallVisitor &visit) override;
    CallGroupsResult countCallGroups(const CallFilter &filter, CallGrouping grouping, bool bySite,
                                     const std::function<bool()> &keepGoing,
                                     const std::optional<Poco::LocalDateTime> &overdueAt) override;

    // The sites that shipped to the server, in the order of their names;
    // nullopt with the reason in error, which says so when the database
    // holds no central schema.
    std::optional<std::vector<std::string>> sites(std::string &error);

private:
    PgConnection &m_connection;
};
