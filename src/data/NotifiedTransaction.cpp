#include "data/NotifiedTransaction.h"

NotifiedTransaction::NotifiedTransaction(Poco::Data::Session &session)
    : m_transaction {session, true}
    , m_notifier {session,
                  Poco::Data::SQLite::Notifier::SQLITE_NOTIFY_UPDATE | Poco::Data::SQLite::Notifier::SQLITE_NOTIFY_COMMIT
                      | Poco::Data::SQLite::Notifier::SQLITE_NOTIFY_ROLLBACK}
{
    // POCO leaves the notifier's row id uninitialised until the first hook.
    m_notifier.setRow(0);
}
