#pragma once

#include <Poco/Data/Session.h>
#include <Poco/Data/Transaction.h>
#include <Poco/Types.h>

struct sqlite3;

// A transaction with SQLite's update hook attached: after an INSERT the
// last row id it reported is the new row's id, and after an UPDATE a row id
// of 0 means that no row changed. Rolls back unless committed.
//
// The hook is set on the connection directly: POCO's SQLite notifier (in the
// version Debian ships) leaves its hooks registered with a dangling pointer
// after a failed statement, which hangs or crashes the next close.
//
// Main thread only.
class NotifiedTransaction
{
public:
    explicit NotifiedTransaction(Poco::Data::Session &session);
    ~NotifiedTransaction();
    NotifiedTransaction(const NotifiedTransaction &) = delete;
    NotifiedTransaction &operator=(const NotifiedTransaction &) = delete;

    // The row id of the last insert, update or delete, 0 when none happened.
    Poco::Int64 lastRow() const { return m_lastRow; }
    void commit() { m_transaction.commit(); }

private:
    static void onRowChanged(void *self, int operation, const char *database, const char *table, long long row);

    Poco::Data::Transaction m_transaction;
    sqlite3 *m_db;
    Poco::Int64 m_lastRow = 0;
};
