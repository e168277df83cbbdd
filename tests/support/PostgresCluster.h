#pragma once

#include <string>
#include <vector>

#include "central/PgConnection.h"
#include "support/TempFolder.h"

// A throw-away PostgreSQL 15 cluster for the central history's tests: made
// by initdb in a temporary folder, listening only on a Unix socket there,
// and run by the user nobody when the tests run as root (the server refuses
// to run as root). Its superuser "calldesk" needs no password; the role
// "desk" needs the password DeskPassword. Stopped at once with the object.
class PostgresCluster
{
public:
    static constexpr const char *DeskPassword = "right-horse-battery";

    PostgresCluster() = default;
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster &) = delete;
    PostgresCluster &operator=(const PostgresCluster &) = delete;

    // Makes the cluster on first use and starts the server, waiting until it
    // takes connections. False with the reason (and the server's log) in
    // error.
    bool start(std::string &error);
    // Stops the server; immediate is a crash as far as the server's
    // clients can tell (pg_ctl stop -m immediate).
    bool stop(bool immediate, std::string &error);

    // A connection string to the database as the superuser, or as user with
    // the given password.
    std::string connection(const std::string &database) const;
    std::string connection(const std::string &database, const std::string &user, const std::string &password) const;
    // A fresh database with the central schema made in it; its name in name.
    bool createDatabase(std::string &name, std::string &error);
    // The query's first column of the first row, as the superuser.
    std::string value(const std::string &database, const std::string &sql);

private:
    // Runs the server's program as the cluster's user; its output goes to
    // the log, whose end is added to error on failure.
    bool runAsOwner(const std::vector<std::string> &arguments, std::string &error);

    TempFolder m_folder;
    bool m_made = false;
    bool m_running = false;
    bool m_roleMade = false;
    int m_databases = 0;
};
