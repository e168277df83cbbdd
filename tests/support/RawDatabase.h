#pragma once

#include <string>

#include <Poco/Data/Session.h>
#include <Poco/Types.h>

struct sqlite3;
class DbManage;

// Raw SQL on a DbManage's own connections, for tests and benchmarks: what no
// statement operation offers, such as counting rows, reading a column as
// stored, or breaking a table on purpose.
class RawDatabase
{
public:
    explicit RawDatabase(DbManage &db);

    Poco::Data::Session &system();
    Poco::Data::Session &history();
    sqlite3 *historyHandle();

    // Runs the statements on the in-memory system database and marks it
    // changed, as a statement operation would.
    void changeSystem(const std::string &sql);
    // Sets or clears the changed mark, to watch an operation set it.
    void setSystemModified(bool modified);

    // The number the query's first column gives, on each database.
    Poco::Int64 systemNumber(const std::string &sql);
    Poco::Int64 historyNumber(const std::string &sql);

private:
    DbManage &m_db;
};
