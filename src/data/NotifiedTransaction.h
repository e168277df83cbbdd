#pragma once

#include <Poco/Data/SQLite/Notifier.h>
#include <Poco/Data/Session.h>
#include <Poco/Data/Transaction.h>
#include <Poco/Types.h>

// A transaction with SQLite's update hook attached: after an INSERT the
// last row id it reported is the new row's id, and after an UPDATE a row id
// of 0 means that no row changed. Rolls back unless committed.
class NotifiedTransaction
{
public:
    explicit NotifiedTransaction(Poco::Data::Session &session);

    // The row id of the last insert, update or delete, 0 when none happened.
    Poco::Int64 lastRow() const { return m_notifier.getRow(); }
    void commit() { m_transaction.commit(); }

private:
    Poco::Data::Transaction m_transaction;
    Poco::Data::SQLite::Notifier m_notifier;
};
