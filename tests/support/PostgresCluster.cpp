#include "support/PostgresCluster.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "central/CentralSql.h"

namespace
{
constexpr uid_t Nobody = 65534;
constexpr const char *Bin = "/usr/lib/postgresql/15/bin/";
constexpr const char *Port = "5432";
}

PostgresCluster::~PostgresCluster()
{
    if (m_running) {
        std::string ignored;
        stop(true, ignored);
    }
}

bool PostgresCluster::runAsOwner(const std::vector<std::string> &arguments, std::string &error)
{
    const std::string log = m_folder.file("server.log");
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(126);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    const std::string output = readFile(log);
    error = arguments.front() + " failed (exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1)
        + (WIFEXITED(status) && WEXITSTATUS(status) == 127 ? ": PostgreSQL 15 is not installed" : "")
        + "): " + output.substr(output.size() > 2000 ? output.size() - 2000 : 0);
    return false;
}

bool PostgresCluster::start(std::string &error)
{
    const std::string data = m_folder.file("data");
    if (!m_made) {
        // The server's user must own its folder; root can still clean it up.
        if (::geteuid() == 0 && ::chown(m_folder.path().c_str(), Nobody, Nobody) != 0) {
            error = std::string("chown: ") + std::strerror(errno);
            return false;
        }
        if (!runAsOwner({std::string(Bin) + "initdb", "-D", data, "-U", "calldesk", "--auth=trust", "--no-sync",
                         "--no-instructions", "-E", "UTF8", "--locale=C"},
                        error))
            return false;
        writeFile(data + "/pg_hba.conf", "local all desk scram-sha-256\nlocal all all trust\n");
        if (::geteuid() == 0 && ::chown((data + "/pg_hba.conf").c_str(), Nobody, Nobody) != 0) {
            error = std::string("chown: ") + std::strerror(errno);
            return false;
        }
        m_made = true;
    }
    const std::string options = "-k " + m_folder.path() + " -p " + Port + " -c listen_addresses='' -c fsync=off";
    if (!runAsOwner({std::string(Bin) + "pg_ctl", "-D", data, "-l", m_folder.file("server.log"), "-w", "-t", "120",
                     "-o", options, "start"},
                    error))
        return false;
    m_running = true;
    if (!m_roleMade) {
        PgConnection admin;
        if (!admin.connect(connection("postgres"), std::chrono::seconds(30))
            || !admin.exec("CREATE ROLE desk LOGIN SUPERUSER PASSWORD '" + std::string(DeskPassword) + "'")) {
            error = "cannot make the role desk: " + admin.error();
            return false;
        }
        m_roleMade = true;
    }
    return true;
}

bool PostgresCluster::stop(bool immediate, std::string &error)
{
    m_running = false;
    return runAsOwner({std::string(Bin) + "pg_ctl", "-D", m_folder.file("data"), "-w", "-t", "120", "-m",
                       immediate ? "immediate" : "fast", "stop"},
                      error);
}

std::string PostgresCluster::connection(const std::string &database) const
{
    return "host=" + m_folder.path() + " port=" + Port + " user=calldesk dbname=" + database;
}

std::string PostgresCluster::connection(const std::string &database, const std::string &user,
                                        const std::string &password) const
{
    return "host=" + m_folder.path() + " port=" + Port + " user=" + user + " password=" + password
        + " dbname=" + database;
}

bool PostgresCluster::createDatabase(std::string &name, std::string &error)
{
    name = "central" + std::to_string(++m_databases);
    PgConnection admin;
    if (!admin.connect(connection("postgres"), std::chrono::seconds(30)) || !admin.exec("CREATE DATABASE " + name)) {
        error = admin.error();
        return false;
    }
    PgConnection central;
    return central.connect(connection(name), std::chrono::seconds(30))
        ? CentralSql::createSchema(central, error)
        : (error = central.error(), false);
}

std::string PostgresCluster::value(const std::string &database, const std::string &sql)
{
    PgConnection connection;
    PgRows rows;
    if (!connection.connect(this->connection(database), std::chrono::seconds(30)) || !connection.exec(sql, {}, &rows))
        return "error: " + connection.error();
    if (rows.empty() || rows.front().empty() || !rows.front().front())
        return {};
    return *rows.front().front();
}
