#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <Poco/Timestamp.h>

#include "central/CentralSender.h"

class DbManage;

// Starts the central history of the desk of folder, when central.conf sets
// it to ship: the outbox goes on on db's history connection, then the
// sender starts. nullptr when the desk ships nowhere, and when the setting
// cannot be read or the outbox is refused (both logged): the desk then
// works as one that does not ship. Main thread.
std::unique_ptr<CentralSender> startCentralShipping(DbManage &db, const std::string &folder);

// How long shipping fails before the desk shows it: a server restarted for
// maintenance is no news.
inline constexpr std::chrono::seconds CentralFailureShownAfter {60};

// Whether the status row tells of the calls waiting now.
bool centralFailureShown(const CentralSender::Status &status, const Poco::Timestamp &now);
