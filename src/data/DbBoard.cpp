// Statements on the live board's tables in the system database. They live
// in the system database so that system backups and restores take them.
#include "data/DbManage.h"

#include <Poco/Data/Statement.h>

#include "base/LocalTime.h"
#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Statement;

namespace
{
// Created on first use rather than with the other tables, so a system
// database restored from a backup of an older desk gains them too.
constexpr const char *BoardSchema[] = {
    "CREATE TABLE IF NOT EXISTS TBBoardSetup(ID INTEGER PRIMARY KEY,Enabled INTEGER,Port INTEGER,CertFile TEXT,"
    "KeyFile TEXT)",
    "CREATE TABLE IF NOT EXISTS TBBoardDevice(ID INTEGER PRIMARY KEY,Name TEXT UNIQUE,TokenHash TEXT,"
    "PairedAt TIMESTAMP,LastSeen TIMESTAMP)",
    "CREATE TABLE IF NOT EXISTS TBBoardPairing(ID INTEGER PRIMARY KEY,CodeHash TEXT UNIQUE,Name TEXT,"
    "ExpiresAt TIMESTAMP)",
};

void createBoardTables(Poco::Data::Session &session)
{
    for (const char *sql : BoardSchema)
        session << sql, now;
}

Poco::Timestamp storedInstant(const std::string &text)
{
    const auto local = localFromUtcText(text);
    return local ? instantOf(*local) : Poco::Timestamp(0);
}
}

std::optional<stBoardSetup> DbManage::LoadBoardSetup()
{
    std::optional<stBoardSetup> result;
    runLogged("read the live board's settings", [&] {
        createBoardTables(SystemSession);
        std::vector<int> enabled;
        std::vector<int> ports;
        std::vector<Poco::Nullable<std::string>> certs;
        std::vector<Poco::Nullable<std::string>> keys;
        SystemSession << "SELECT Enabled,Port,CertFile,KeyFile FROM TBBoardSetup ORDER BY ID LIMIT 1", into(enabled),
            into(ports), into(certs), into(keys), now;
        stBoardSetup setup;
        if (!enabled.empty()) {
            setup.Enabled = enabled[0] != 0;
            setup.Port = ports[0];
            setup.CertFile = certs[0].isNull() ? std::string() : certs[0].value();
            setup.KeyFile = keys[0].isNull() ? std::string() : keys[0].value();
        }
        result = setup;
    });
    return result;
}

bool DbManage::SaveBoardSetup(const stBoardSetup &setup)
{
    return changeSystem("store the live board's settings", [&] {
        createBoardTables(SystemSession);
        SystemSession << "DELETE FROM TBBoardSetup", now;
        SystemSession << "INSERT INTO TBBoardSetup(ID,Enabled,Port,CertFile,KeyFile) VALUES(1,?,?,?,?)",
            bind(setup.Enabled ? 1 : 0), bind(setup.Port), bind(setup.CertFile), bind(setup.KeyFile), now;
    });
}

std::optional<std::vector<stBoardDevice>> DbManage::LoadBoardDevices()
{
    std::optional<std::vector<stBoardDevice>> result;
    runLogged("read the live board's devices", [&] {
        createBoardTables(SystemSession);
        std::vector<std::string> names;
        std::vector<std::string> hashes;
        std::vector<std::string> paired;
        std::vector<Poco::Nullable<std::string>> seen;
        SystemSession << "SELECT Name,TokenHash,PairedAt,LastSeen FROM TBBoardDevice ORDER BY PairedAt,ID",
            into(names), into(hashes), into(paired), into(seen), now;
        std::vector<stBoardDevice> devices;
        for (std::size_t i = 0; i < names.size(); ++i) {
            stBoardDevice device;
            device.Name = names[i];
            device.TokenHash = hashes[i];
            device.PairedAt = storedInstant(paired[i]);
            if (!seen[i].isNull())
                device.LastSeen = storedInstant(seen[i].value());
            devices.push_back(std::move(device));
        }
        result = std::move(devices);
    });
    return result;
}

bool DbManage::SaveBoardDevice(const stBoardDevice &device)
{
    return changeSystem("store a device of the live board", [&] {
        createBoardTables(SystemSession);
        Poco::Nullable<std::string> seen;
        if (device.LastSeen)
            seen = utcText(*device.LastSeen);
        SystemSession << "INSERT OR REPLACE INTO TBBoardDevice(Name,TokenHash,PairedAt,LastSeen) VALUES(?,?,?,?)",
            bind(device.Name), bind(device.TokenHash), bind(utcText(device.PairedAt)), bind(seen), now;
    });
}

bool DbManage::SetBoardDeviceSeen(const std::string &name, const Poco::Timestamp &seen)
{
    return changeSystem("store when a device of the live board was last seen", [&] {
        createBoardTables(SystemSession);
        SystemSession << "UPDATE TBBoardDevice SET LastSeen=? WHERE Name=?", bind(utcText(seen)), bind(name), now;
    });
}

bool DbManage::RemoveBoardDevice(const std::string &name, bool &found)
{
    found = false;
    return changeSystem("remove a device of the live board", [&] {
        createBoardTables(SystemSession);
        Statement remove(SystemSession);
        remove << "DELETE FROM TBBoardDevice WHERE Name=?", bind(name);
        found = remove.execute() > 0;
    });
}

std::optional<std::vector<stBoardPairing>> DbManage::LoadBoardPairings()
{
    std::optional<std::vector<stBoardPairing>> result;
    runLogged("read the live board's pairing links", [&] {
        createBoardTables(SystemSession);
        std::vector<std::string> hashes;
        std::vector<std::string> names;
        std::vector<std::string> expiries;
        SystemSession << "SELECT CodeHash,Name,ExpiresAt FROM TBBoardPairing ORDER BY ID", into(hashes), into(names),
            into(expiries), now;
        std::vector<stBoardPairing> pairings;
        for (std::size_t i = 0; i < hashes.size(); ++i)
            pairings.push_back({hashes[i], names[i], storedInstant(expiries[i])});
        result = std::move(pairings);
    });
    return result;
}

bool DbManage::SaveBoardPairing(const stBoardPairing &pairing)
{
    return changeSystem("store a pairing link of the live board", [&] {
        createBoardTables(SystemSession);
        SystemSession << "INSERT OR REPLACE INTO TBBoardPairing(CodeHash,Name,ExpiresAt) VALUES(?,?,?)",
            bind(pairing.CodeHash), bind(pairing.Name), bind(utcText(pairing.ExpiresAt)), now;
    });
}

bool DbManage::RemoveBoardPairing(const std::string &codeHash)
{
    return changeSystem("remove a used pairing link of the live board", [&] {
        createBoardTables(SystemSession);
        SystemSession << "DELETE FROM TBBoardPairing WHERE CodeHash=?", bind(codeHash), now;
    });
}
