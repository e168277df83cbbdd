#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    // is on but cannot be served: the desk goes on without it.
    bool start(DbManage &db, std::string &error);
    void stop();
    bool running() const;
    int port() const;
    // The SHA-256 fingerprint of the certificate served; empty when off.
    const std::string &fingerprint() const { return m_fingerprint; }

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
