#include "support/RawDatabase.h"

#include <Poco/Data/SQLite/Utility.h>

#include "data/DbManage.h"

using namespace Poco::Data::Keywords;

namespace
{
Poco::Int64 numberOf(Poco::Data::Session &session, const std::string &sql)
{
    Poco::Int64 value = 0;
    session << sql, into(value), now;
    return value;
}
}

RawDatabase::RawDatabase(DbManage &db)
    : m_db {db}
{
}

Poco::Data::Session &RawDatabase::system()
{
    return m_db.SystemSession;
}

Poco::Data::Session &RawDatabase::history()
{
    return m_db.HistorySession;
}

sqlite3 *RawDatabase::historyHandle()
{
    return Poco::Data::SQLite::Utility::dbHandle(m_db.HistorySession);
}

void RawDatabase::changeSystem(const std::string &sql)
{
    m_db.SystemSession << sql, now;
    m_db.Modified = true;
}

void RawDatabase::setSystemModified(bool modified)
{
    m_db.Modified = modified;
}

Poco::Int64 RawDatabase::systemNumber(const std::string &sql)
{
    return numberOf(m_db.SystemSession, sql);
}

Poco::Int64 RawDatabase::historyNumber(const std::string &sql)
{
    return numberOf(m_db.HistorySession, sql);
}
