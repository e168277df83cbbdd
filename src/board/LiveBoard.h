#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Timestamp.h>

#include "data/BoardDevice.h"
#include "calls/IOpenCallsObserver.h"
#include "board/BoardState.h"

class BoardHub;
class BoardRegistry;
class BoardServer;
class DbManage;

// The open calls of a desk, as the board shows them, longest waiting first.
BoardState boardStateOf(const CallDesk &desk, const std::string &alert);

// The live board of a running desk: its devices and links from the system
// database, the server while the board is on, and the desk's calls fed to
// it.
//
// Main thread (the desk's): start, stop, the observer and storeChanges. The
// server and the board's thread run behind it and never call back.
class LiveBoard : public IOpenCallsObserver
{
public:
    explicit LiveBoard(std::uint32_t deskLcid);
    ~LiveBoard() override;
    LiveBoard(const LiveBoard &) = delete;
    LiveBoard &operator=(const LiveBoard &) = delete;

    // Reads the board's settings, devices and links and, when the board is
    // on, serves it. False, with the reason in error (logged too), when it
    // is on but cannot be served: the desk goes on without it. A board
    // already running stores what it learnt and stops first, so this also
    // applies changed settings.
    bool start(DbManage &db, std::string &error);
    void stop();
    bool running() const;
    int port() const;
    // The SHA-256 fingerprint of the certificate served; empty when off.
    const std::string &fingerprint() const { return m_fingerprint; }
    // Where browsers reach the board; none when it is not served.
    std::vector<std::string> addresses() const;

    // A one-time link for a device, stored and taken by the running board
    // at once: the links to it at each address and when it expires.
    struct Pairing
    {
        std::vector<std::string> links;
        Poco::Timestamp expiresAt;
    };
    // nullopt when the board is not served or the link cannot be stored
    // (the database logged why).
    std::optional<Pairing> pairDevice(DbManage &db, const std::string &name);
    // Removes the device from the database and, at once, from the running
    // board: its token stops working and its open streams are closed.
    // False when the database refused (found tells whether it knew the
    // device); the running board lets go of the device all the same.
    bool removeDevice(DbManage &db, const std::string &name, bool &found);
    // The paired devices, as the running board knows them (with its latest
    // sightings) or, when it is off, as stored; nullopt when they cannot be
    // read.
    std::optional<std::vector<stBoardDevice>> devices(DbManage &db) const;

    void openCallsChanged(const CallDesk &desk, const std::string &alert) override;

    // Writes what the connection threads learnt (devices paired, links
    // used, devices seen) into the system database; the desk saves the file
    // as it does after any change.
    void storeChanges(DbManage &db);

private:
    std::uint32_t m_deskLcid;
    std::unique_ptr<BoardRegistry> m_registry;
    std::unique_ptr<BoardHub> m_hub;
    std::unique_ptr<BoardServer> m_server;
    std::string m_fingerprint;
    std::optional<BoardState> m_last;
};
