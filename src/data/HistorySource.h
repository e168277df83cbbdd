#pragma once

#include <functional>
#include <optional>
#include <string>

#include <Poco/Data/Session.h>
#include <Poco/LocalDateTime.h>

#include "data/DbManage.h"

// Where the reports read calls: a desk's own history, or the central one
// that holds the calls of many sites. Both run the statements of
// HistorySql, each in its own dialect, so a report is the same on either.
//
// Lives on the thread that reads.
class HistorySource
{
public:
    // Receives the calls read, one at a time, with the site each belongs to
    // (empty in a desk's own history); false stops the reading.
    using SiteCallVisitor = std::function<bool(CCall &&call, const std::string &site)>;

    virtual ~HistorySource() = default;

    // The calls the filter selects, in call-time order.
    virtual CallReadResult readCalls(const CallFilter &filter, const SiteCallVisitor &visit) = 0;
    // Counts the calls the filter selects by group (countCallsSql); by site
    // too when bySite, where the calls carry one. keepGoing is asked now and
    // then; false ends the count early, with ok false and no error.
    virtual CallGroupsResult countCallGroups(const CallFilter &filter, CallGrouping grouping, bool bySite,
                                             const std::function<bool()> &keepGoing,
                                             const std::optional<Poco::LocalDateTime> &overdueAt) = 0;
};

// A desk's own history, on a reader of it (DbManage::OpenHistoryReader) or
// the desk's history connection.
class SqliteHistorySource : public HistorySource
{
public:
    explicit SqliteHistorySource(Poco::Data::Session &session);

    CallReadResult readCalls(const CallFilter &filter, const SiteCallVisitor &visit) override;
    CallGroupsResult countCallGroups(const CallFilter &filter, CallGrouping grouping, bool bySite,
                                     const std::function<bool()> &keepGoing,
                                     const std::optional<Poco::LocalDateTime> &overdueAt) override;

private:
    Poco::Data::Session &m_session;
};
