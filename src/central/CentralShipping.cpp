#include "central/CentralShipping.h"

#include "base/EventLog.h"
#include "data/DbManage.h"
#include "central/PgConnection.h"

std::unique_ptr<CentralSender> startCentralShipping(DbManage &db, const std::string &folder)
{
    std::string error;
    const std::optional<CentralConfig> config = CentralConfig::load(folder, error);
    if (!config) {
        if (!error.empty())
            logFailure("read where the central history is", error);
        return nullptr;
    }
    if (!db.ShipToCentral(config->site))
        return nullptr;
    CentralSender::Options options;
    options.folder = folder;
    options.config = *config;
    logEvent("central history: shipping the calls of the site " + config->site + " to "
             + redactedConnection(config->connection));
    return std::make_unique<CentralSender>(std::move(options));
}

bool centralFailureShown(const CentralSender::Status &status, const Poco::Timestamp &now)
{
    const Poco::Timestamp::TimeDiff shownAfter =
        std::chrono::duration_cast<std::chrono::microseconds>(CentralFailureShownAfter).count();
    return status.failing && now - status.failingSince >= shownAfter;
}
