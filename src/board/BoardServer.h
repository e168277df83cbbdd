#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "board/BoardCertificate.h"

namespace Poco
{
class ThreadPool;
namespace Net
{
class HTTPServer;
}
}

class BoardHub;
class BoardRegistry;

// The board's HTTPS server: the page, the pairing link and the event
// stream, to paired browsers only.
//
// Started and stopped by its owner's thread; requests run on the server's
// own threads (one per connection, an open event stream holding its thread),
// which only ask the registry and the hub.
class BoardServer
{
public:
    // Open event streams plus a few for pages, pings and pairings.
    static constexpr int MaxThreads = 72;
    // Headers, an idle keep-alive connection and a write that does not
    // progress (a browser that stopped reading) are given this long.
    static constexpr int TimeoutSeconds = 10;
    // An event stream with nothing to say sends a comment this often, so
    // proxies and phones do not take it for dead.
    static constexpr int KeepAliveSeconds = 15;
    static constexpr const char *CookieName = "calldesk_board";

    BoardServer(BoardRegistry &registry, BoardHub &hub, std::uint32_t deskLcid);
    ~BoardServer();
    BoardServer(const BoardServer &) = delete;
    BoardServer &operator=(const BoardServer &) = delete;

    // Listens on every address of the host; false, with the reason in
    // error, when the port or the certificate cannot be used. Port 0 takes
    // a free port (tests).
    bool start(int port, const CertificateFiles &files, std::string &error);
    // Closes the event streams, then the connections.
    void stop();
    bool running() const { return m_server != nullptr; }
    int port() const { return m_port; }

private:
    BoardRegistry &m_registry;
    BoardHub &m_hub;
    std::uint32_t m_deskLcid;
    int m_port = 0;
    std::unique_ptr<Poco::ThreadPool> m_threads;
    std::unique_ptr<Poco::Net::HTTPServer> m_server;
};

// "https://192.168.1.20:8443/" for every IPv4 address of the host other than
// loopback (loopback alone when there is none): where browsers reach the
// board.
std::vector<std::string> boardAddresses(int port);
