#include "data/HistorySource.h"

SqliteHistorySource::SqliteHistorySource(Poco::Data::Session &session)
    : m_session {session}
{
}

CallReadResult SqliteHistorySource::readCalls(const CallFilter &filter, const SiteCallVisitor &visit)
{
    const std::string noSite;
    return DbManage::LoadCallsByCallTime(m_session, filter,
                                         [&](CCall &&call) { return visit(std::move(call), noSite); });
}

// A desk's history holds its own calls and no site: counted by site, its
// groups are the ones it has without.
CallGroupsResult SqliteHistorySource::countCallGroups(const CallFilter &filter, CallGrouping grouping, bool,
                                                      const std::function<bool()> &keepGoing,
                                                      const std::optional<Poco::LocalDateTime> &overdueAt)
{
    return DbManage::CountCallGroups(m_session, filter, grouping, keepGoing, overdueAt);
}
