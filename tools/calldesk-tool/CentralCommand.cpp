#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Data/Session.h>

#include "base/EventLog.h"
#include "data/CentralOutbox.h"
#include "data/DataFolder.h"
#include "data/DataFolderLock.h"
#include "data/DbManage.h"
#include "central/CentralConfig.h"
#include "central/CentralSql.h"
#include "central/PgConnection.h"
#include "CommandLine.h"
#include "FolderInUse.h"

using namespace Poco::Data::Keywords;

namespace
{
constexpr const char *Command = "calldesk-tool central";
constexpr std::chrono::seconds ConnectTimeout {15};

int fail(const std::string &message)
{
    std::cerr << Command << ": " << message << std::endl;
    return 1;
}

int initSchema(const std::string &connection)
{
    PgConnection central;
    std::string error;
    if (!central.connect(connection, ConnectTimeout))
        return fail("cannot connect to " + redactedConnection(connection) + ": " + central.error());
    if (!CentralSql::createSchema(central, error))
        return fail("cannot create the central schema in " + redactedConnection(connection) + ": " + error);
    std::cout << "the central schema is ready in " << redactedConnection(connection) << std::endl;
    return 0;
}

// What the desk's history says of the shipping; the tables are missing in
// a history that never shipped.
struct OutboxState
{
    Poco::Int64 waitingCalls = 0;
    std::string lastShipped;
    std::string lastError;
    std::string failingSince;
};

std::optional<OutboxState> readOutbox(const std::string &folder, std::string &error)
{
    const std::string path = withTrailingSeparator(folder) + DbManage::HistoryFileName;
    OutboxState state;
    try {
        Poco::Data::SQLite::Connector::registerConnector();
        Poco::Data::Session reader = DbManage::OpenReader(path, DbManage::HistoryKey);
        int tables = 0;
        reader << "SELECT count(*) FROM sqlite_master WHERE name IN ('TBCentralOutbox','TBCentralState')",
            into(tables), now;
        if (tables < 2)
            return state;
        reader << "SELECT count(DISTINCT ItemKey) FROM TBCentralOutbox WHERE Kind='call'", into(state.waitingCalls),
            now;
        const auto stateOf = [&](const char *name, std::string &value) {
            std::vector<std::string> values;
            reader << "SELECT Value FROM TBCentralState WHERE Name=?", bind(std::string(name)), into(values), now;
            if (!values.empty())
                value = values.front();
        };
        stateOf(CentralOutbox::LastShipped, state.lastShipped);
        stateOf(CentralOutbox::LastError, state.lastError);
        stateOf(CentralOutbox::FailingSince, state.failingSince);
    } catch (const std::exception &failure) {
        error = path + ": " + errorText(failure);
        return std::nullopt;
    }
    return state;
}

int printStatus(const std::string &folder)
{
    std::string error;
    const std::optional<CentralConfig> config = CentralConfig::load(folder, error);
    if (!error.empty())
        return fail(error);
    const std::optional<OutboxState> state =
        std::filesystem::exists(withTrailingSeparator(folder) + DbManage::HistoryFileName) ? readOutbox(folder, error)
                                                                                            : OutboxState();
    if (!state)
        return fail("cannot read the history: " + error);
    if (config) {
        std::cout << "connection: " << redactedConnection(config->connection) << "\n"
                  << "site: " << config->site << "\n";
    } else {
        std::cout << "connection: none (the desk does not ship its calls)\n";
    }
    std::cout << "calls waiting: " << state->waitingCalls << "\n"
              << "last shipped: " << (state->lastShipped.empty() ? "nothing yet" : state->lastShipped) << "\n"
              << "last error: "
              << (state->lastError.empty() ? std::string("none")
                                           : state->lastError + " (failing since " + state->failingSince + ")")
              << std::endl;
    return 0;
}
}

int runCentral(const std::vector<std::string> &arguments)
{
    CommandLine line(Command, "[options] | init CONNINFO",
                     "Ships the desk's calls to a central history in PostgreSQL, shared by every desk of a chain or "
                     "a large site. \"init CONNINFO\" creates the central schema (the tables sites, calls and "
                     "outages in the schema calldesk, with their indexes; a second run changes nothing). --connect "
                     "with --site makes the desk of the data folder ship there from its next start, the calls it "
                     "stored before included; --off stops the shipping (calls not shipped yet stay queued); both "
                     "refuse while a desk runs on the folder. --status prints the connection (without its password), the site, the calls waiting, "
                     "the last call shipped and the last error. CONNINFO is a libpq connection string or URI; "
                     "keep passwords in ~/.pgpass or the file PGPASSFILE names.");
    line.option("data-dir", "DIR", "The desk's data folder (default: the desk's default data folder).")
        .option("connect", "CONNINFO", "Where the desk ships its calls.")
        .option("site", "NAME", "The name of this desk's site, carried by each of its calls.")
        .flag("off", "Stop shipping.")
        .flag("status", "Print the state of the shipping.");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    const std::vector<std::string> &positionals = line.positionals();
    const int actions = (line.has("connect") ? 1 : 0) + (line.has("off") ? 1 : 0) + (line.has("status") ? 1 : 0)
        + (positionals.empty() ? 0 : 1);
    if (actions != 1)
        return line.fail("one of init, --connect, --off and --status");
    std::string error;
    if (!positionals.empty()) {
        if (positionals.front() != "init" || positionals.size() != 2)
            return line.fail("\"init CONNINFO\" takes one connection string");
        if (!validConnection(positionals[1], error))
            return line.fail("cannot read the connection string: " + error);
        return initSchema(positionals[1]);
    }
    if (line.has("site") != line.has("connect"))
        return line.fail("--connect and --site go together");

    std::optional<std::string> folder;
    if (line.has("data-dir"))
        folder = line.text("data-dir");
    const std::string dataFolder = resolveDataFolder(folder);
    if (line.has("status"))
        return printStatus(dataFolder);

    CentralConfig config {line.text("connect"), line.text("site")};
    if (line.has("connect") && !validConnection(config.connection, error))
        return line.fail("cannot read the connection string: " + error);
    if (line.has("connect") && config.site.empty())
        return line.fail("--site wants a name");
    // The desk reads where it ships when it starts.
    DataFolderLock lock(dataFolder);
    if (!lockFolder(lock, Command))
        return 1;
    if (line.has("off")) {
        if (!CentralConfig::remove(dataFolder, error))
            return fail(error);
        std::cout << "the desk of " << dataFolder << " ships no more calls" << std::endl;
        return 0;
    }
    if (!CentralConfig::save(dataFolder, config, error))
        return fail(error);
    std::cout << "the desk of " << dataFolder << " ships its calls to " << redactedConnection(config.connection)
              << " as the site " << config.site << std::endl;
    // Stored either way: a server down now is one the desk keeps trying.
    PgConnection central;
    PgRows rows;
    if (!central.connect(config.connection, ConnectTimeout)
        || !central.exec("SELECT 1 FROM calldesk.calls LIMIT 0", {}, &rows))
        std::cerr << Command << ": warning: the central history cannot be used now: " << central.error()
                  << std::endl;
    return 0;
}
