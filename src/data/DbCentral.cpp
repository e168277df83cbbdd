// The desk's outbox of the central history.
#include "data/DbManage.h"

#include <Poco/Data/SQLite/Utility.h>
#include <sqlite3.h>

#include "data/CentralOutbox.h"
#include "data/StatementRunner.h"

bool DbManage::ShipToCentral(const std::string &site)
{
    std::string error;
    if (CentralOutbox::install(Poco::Data::SQLite::Utility::dbHandle(HistorySession), site, error) != SQLITE_OK) {
        statementFailed("queue the calls for the central history", error);
        return false;
    }
    return true;
}
