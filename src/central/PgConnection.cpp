#include "central/PgConnection.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include <poll.h>

#include <libpq-fe.h>

namespace
{
// How often a wait looks whether it should give up.
constexpr std::chrono::milliseconds PollStep {100};

std::string trimmed(const char *message)
{
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    // libpq's messages run over lines, indented by tabs; the log has one line.
    std::string line;
    for (const char c : text) {
        const bool blank = c == '\n' || c == '\t' || c == ' ';
        if (!blank)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    text = line;
    return text.empty() ? std::string("no reason given") : text;
}

struct OptionsDeleter
{
    void operator()(PQconninfoOption *options) const { PQconninfoFree(options); }
};
using Options = std::unique_ptr<PQconninfoOption, OptionsDeleter>;

Options parse(const std::string &conninfo, std::string &error)
{
    char *message = nullptr;
    Options options(PQconninfoParse(conninfo.c_str(), &message));
    if (!options)
        error = message ? trimmed(message) : std::string("cannot read the connection string");
    PQfreemem(message);
    return options;
}
}

PgConnection::~PgConnection()
{
    close();
}

void PgConnection::close()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
}

bool PgConnection::fail(const std::string &error)
{
    m_error = error;
    if (m_conn && PQstatus(m_conn) != CONNECTION_OK)
        close();
    return false;
}

int PgConnection::socket() const
{
    return m_conn ? PQsocket(m_conn) : -1;
}

bool PgConnection::waitFor(short events, std::chrono::steady_clock::time_point deadline)
{
    while (true) {
        if (m_keepGoing && !m_keepGoing()) {
            m_error = "stopped";
            return false;
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            m_error = "the server did not answer in time";
            return false;
        }
        pollfd descriptor {PQsocket(m_conn), events, 0};
        const auto step = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(left), PollStep);
        const int ready = ::poll(&descriptor, 1, static_cast<int>(step.count()) + 1);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR) {
            m_error = "cannot wait for the server";
            return false;
        }
    }
}

bool PgConnection::connect(const std::string &conninfo, std::chrono::milliseconds timeout, KeepGoing keepGoing)
{
    close();
    m_keepGoing = std::move(keepGoing);
    std::string error;
    if (!parse(conninfo, error))
        return fail(error);
    // The string comes last, so that whatever it says wins over our defaults.
    const char *keywords[] = {"application_name", "dbname", nullptr};
    const char *values[] = {"calldesk", conninfo.c_str(), nullptr};
    m_conn = PQconnectStartParams(keywords, values, 1);
    if (!m_conn)
        return fail("out of memory");
    if (PQstatus(m_conn) == CONNECTION_BAD)
        return fail(trimmed(PQerrorMessage(m_conn)));
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK) {
        if (state == PGRES_POLLING_FAILED) {
            const std::string reason = trimmed(PQerrorMessage(m_conn));
            close();
            return fail(reason);
        }
        if (!waitFor(state == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline)) {
            const std::string reason = m_error;
            close();
            return fail(reason);
        }
        state = PQconnectPoll(m_conn);
    }
    if (PQsetnonblocking(m_conn, 1) != 0) {
        const std::string reason = trimmed(PQerrorMessage(m_conn));
        close();
        return fail(reason);
    }
    m_error.clear();
    return true;
}

bool PgConnection::exec(const std::string &sql, const std::vector<PgValue> &parameters, PgRows *rows)
{
    return send(sql, parameters) && receive(rows);
}

bool PgConnection::send(const std::string &sql, const std::vector<PgValue> &parameters)
{
    if (!m_conn)
        return fail("not connected");
    std::vector<const char *> values;
    values.reserve(parameters.size());
    for (const PgValue &value : parameters)
        values.push_back(value ? value->c_str() : nullptr);
    if (!PQsendQueryParams(m_conn, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(), nullptr,
                           nullptr, 0))
        return fail(trimmed(PQerrorMessage(m_conn)));
    const auto deadline = std::chrono::steady_clock::now() + m_statementTimeout;
    // A large statement leaves the socket in pieces.
    while (true) {
        const int flushed = PQflush(m_conn);
        if (flushed == 0)
            return true;
        if (flushed < 0 || !waitFor(POLLOUT | POLLIN, deadline)) {
            const std::string reason = flushed < 0 ? trimmed(PQerrorMessage(m_conn)) : m_error;
            close();
            return fail(reason);
        }
        if (!PQconsumeInput(m_conn))
            return fail(trimmed(PQerrorMessage(m_conn)));
    }
}

bool PgConnection::receive(PgRows *rows)
{
    if (!m_conn)
        return fail("not connected");
    const auto deadline = std::chrono::steady_clock::now() + m_statementTimeout;
    std::string failure;
    while (true) {
        while (PQisBusy(m_conn)) {
            if (!waitFor(POLLIN, deadline)) {
                // A reply that does not come leaves the connection in an
                // unknown state: it goes.
                const std::string reason = m_error;
                close();
                return fail(reason);
            }
            if (!PQconsumeInput(m_conn)) {
                const std::string reason = trimmed(PQerrorMessage(m_conn));
                close();
                return fail(reason);
            }
        }
        PGresult *result = PQgetResult(m_conn);
        if (!result)
            break;
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_TUPLES_OK && rows) {
            rows->clear();
            for (int row = 0; row < PQntuples(result); ++row) {
                std::vector<PgValue> values;
                for (int column = 0; column < PQnfields(result); ++column) {
                    if (PQgetisnull(result, row, column))
                        values.emplace_back(std::nullopt);
                    else
                        values.emplace_back(PQgetvalue(result, row, column));
                }
                rows->push_back(std::move(values));
            }
        } else if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && failure.empty()) {
            failure = trimmed(PQresultErrorMessage(result));
        }
        PQclear(result);
    }
    if (!failure.empty())
        return fail(failure);
    if (PQstatus(m_conn) != CONNECTION_OK)
        return fail(trimmed(PQerrorMessage(m_conn)));
    return true;
}

std::string redactedConnection(const std::string &conninfo)
{
    std::string error;
    const Options options = parse(conninfo, error);
    if (!options)
        return "(a connection string that cannot be read)";
    std::string text;
    for (const PQconninfoOption *option = options.get(); option->keyword; ++option) {
        if (!option->val)
            continue;
        std::string value = option->val;
        if (std::string(option->keyword) == "password")
            value = "***";
        std::string quoted;
        for (const char c : value) {
            if (c == '\'' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        if (quoted.empty() || quoted.find_first_of(" \t'\\") != std::string::npos)
            quoted = "'" + quoted + "'";
        if (!text.empty())
            text += ' ';
        text += std::string(option->keyword) + "=" + quoted;
    }
    return text;
}

bool validConnection(const std::string &conninfo, std::string &error)
{
    return static_cast<bool>(parse(conninfo, error));
}

std::string libpqVersion()
{
    const int version = PQlibVersion();
    return std::to_string(version / 10000) + "." + std::to_string(version % 10000);
}
