#include "data/NotifiedTransaction.h"

#include <Poco/Data/SQLite/Utility.h>
#include <sqlite3.h>

NotifiedTransaction::NotifiedTransaction(Poco::Data::Session &session)
    : m_transaction {session, true}
    , m_db {Poco::Data::SQLite::Utility::dbHandle(session)}
{
    sqlite3_update_hook(m_db, &NotifiedTransaction::onRowChanged, this);
}

NotifiedTransaction::~NotifiedTransaction()
{
    sqlite3_update_hook(m_db, nullptr, nullptr);
}

void NotifiedTransaction::onRowChanged(void *self, int, const char *, const char *, long long row)
{
    static_cast<NotifiedTransaction *>(self)->m_lastRow = row;
}
