#include "CentralReading.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include <Poco/Data/SQLite/Connector.h>

#include "base/EventLog.h"
#include "data/DbManage.h"
#include "central/CentralHistory.h"

namespace
{
constexpr std::chrono::seconds ConnectTimeout {15};
}

bool openCentralReading(const std::string &conninfo, const std::vector<std::string> &chosen,
                        const std::string &command, std::ostream &err, CentralReading &reading)
{
    const std::string prefix = "calldesk-tool " + command + ": ";
    std::string error;
    if (!validConnection(conninfo, error)) {
        err << prefix << "cannot read the connection string: " << error << '\n';
        return false;
    }
    const std::string shown = redactedConnection(conninfo);
    if (!reading.connection.connect(conninfo, ConnectTimeout)) {
        err << prefix << "cannot connect to " << shown << ": " << reading.connection.error() << '\n';
        return false;
    }
    CentralHistory history(reading.connection);
    const auto known = history.sites(error);
    if (!known) {
        err << prefix << "cannot read the central history at " << shown << ": " << error << '\n';
        return false;
    }
    for (const std::string &site : chosen) {
        if (std::find(known->begin(), known->end(), site) != known->end())
            continue;
        std::string names;
        for (const std::string &name : *known)
            names += (names.empty() ? "" : ", ") + name;
        err << prefix << "the central history at " << shown << " has no site \"" << site << "\" (its sites: "
            << (names.empty() ? std::string("none yet") : names) << ")\n";
        return false;
    }
    reading.sites = chosen;
    std::sort(reading.sites.begin(), reading.sites.end());
    reading.sites.erase(std::unique(reading.sites.begin(), reading.sites.end()), reading.sites.end());
    reading.bySite = reading.sites.empty() ? known->size() > 1 : reading.sites.size() > 1;
    return true;
}

std::optional<SetupRecord> deskSettings(const std::string &folder, const std::string &command, std::ostream &err)
{
    Poco::Data::SQLite::Connector::registerConnector();
    try {
        DbManage db(folder, DbManage::SystemFile::ReadOnly, DbManage::DamagedFiles::Refuse);
        SetupRecord setup;
        db.LoadSetup(setup);
        return setup;
    } catch (const std::exception &error) {
        err << command << ": cannot open the databases in " << folder << ": " << errorText(error) << std::endl;
        return std::nullopt;
    }
}
