#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;

// A value of a statement's parameter or result: nullopt is NULL.
using PgValue = std::optional<std::string>;
using PgRows = std::vector<std::vector<PgValue>>;

// One connection to the central PostgreSQL database through libpq, which
// reads the connection string or URI, ~/.pgpass or PGPASSFILE and sslmode
// as every PostgreSQL client does. Every wait on the server is bounded and
// can be given up: connecting and running a statement poll the socket in
// short steps and ask keepGoing between them, so the thread that owns the
// connection can stop at once, whatever the server does.
//
// Lives on the thread that uses it.
class PgConnection
{
public:
    using KeepGoing = std::function<bool()>;

    PgConnection() = default;
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Connects; false with error() set (the server's own words: a refused
    // password, no server at that address...).
    bool connect(const std::string &conninfo, std::chrono::milliseconds timeout, KeepGoing keepGoing = {});
    bool connected() const { return m_conn != nullptr; }
    void close();

    // Runs one statement with text parameters; its rows (of the last result)
    // into rows. False with error() set; a connection that broke is closed.
    bool exec(const std::string &sql, const std::vector<PgValue> &parameters = {}, PgRows *rows = nullptr);
    // The two halves of exec: the statement goes out, then its reply is
    // awaited. Between them the server may already have run it.
    bool send(const std::string &sql, const std::vector<PgValue> &parameters = {});
    bool receive(PgRows *rows = nullptr);

    // The connection's socket, -1 when not connected.
    int socket() const;
    const std::string &error() const { return m_error; }

    // How long a statement's reply may take before the connection is given up.
    void setStatementTimeout(std::chrono::milliseconds timeout) { m_statementTimeout = timeout; }

private:
    bool fail(const std::string &error);
    // Polls the socket for the events (POLLIN, POLLOUT) until one comes, the
    // deadline passes or keepGoing says no.
    bool waitFor(short events, std::chrono::steady_clock::time_point deadline);

    pg_conn *m_conn = nullptr;
    KeepGoing m_keepGoing;
    std::chrono::milliseconds m_statementTimeout {60000};
    std::string m_error;
};

// The connection string with its password replaced, as printed and logged:
// "host=db user=desk password=*** dbname=calls". A string libpq cannot read
// is not shown at all.
std::string redactedConnection(const std::string &conninfo);
// False, with libpq's reason in error, when libpq cannot read the string.
bool validConnection(const std::string &conninfo, std::string &error);

// The version of the libpq the program runs with, such as "15.18".
std::string libpqVersion();
