// The live board's weight on the desk, with the desk program as a process on
// a pseudo-terminal receiver:
//   board_bench [--frames N]
// 1. Frame -> acknowledgement with the board on and no browser connected,
//    then with 64 event streams open (the most the board serves), in one
//    run: the desk publishes to the board and must not wait for it.
// 2. Frame -> change read by a browser: from a frame's last byte written to
//    the board's change event read on an open stream, for the first stream
//    and for the last of the 64 to get it. Every frame of the probe changes
//    the board (a call appears, then is cancelled).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Net/AcceptCertificateHandler.h>
#include <Poco/Net/Context.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/Net/SSLManager.h>
#include <Poco/Net/ServerSocket.h>

#include "base/Language.h"
#include "data/DbManage.h"
#include "receiver/PseudoTerminal.h"
#include "board/BoardRegistry.h"
#include "board/BoardServer.h"
#include "demo/DemoSite.h"
#include "demo/DeskLauncher.h"
#include "AckProbe.h"
#include "DeskProcess.h"

namespace
{
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int Streams = 64;


Poco::Net::Context::Ptr clientContext()
{
    Poco::Net::initializeSSL();
    Poco::Net::Context::Ptr context =
        new Poco::Net::Context(Poco::Net::Context::CLIENT_USE, "", "", "", Poco::Net::Context::VERIFY_NONE);
    Poco::SharedPtr<Poco::Net::InvalidCertificateHandler> accept = new Poco::Net::AcceptCertificateHandler(false);
    Poco::Net::SSLManager::instance().initializeClient(nullptr, accept, context);
    return context;
}

// A browser's open board: reads its event stream on a thread of its own and
// notes when each change event arrived.
class StreamReader
{
public:
    StreamReader(int port, const std::string &token, Poco::Net::Context::Ptr context)
        : m_session {"127.0.0.1", static_cast<Poco::UInt16>(port), context}
    {
        m_session.setTimeout(Poco::Timespan(30, 0));
        m_thread = std::thread([this, token] { read(token); });
    }
    ~StreamReader()
    {
        m_session.abort();
        m_thread.join();
    }

    bool open() const { return m_open; }
    std::vector<SteadyClock::time_point> changes()
    {
        std::lock_guard lock(m_mutex);
        return m_changes;
    }

private:
    void read(const std::string &token)
    {
        try {
            Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_GET, "/events",
                                           Poco::Net::HTTPMessage::HTTP_1_1);
            request.set("Cookie", std::string(BoardServer::CookieName) + "=" + token);
            m_session.sendRequest(request);
            Poco::Net::HTTPResponse response;
            std::istream &in = m_session.receiveResponse(response);
            std::string line;
            while (std::getline(in, line)) {
                if (line == "event: state") {
                    m_open = true;
                } else if (line == "event: change") {
                    std::lock_guard lock(m_mutex);
                    m_changes.push_back(SteadyClock::now());
                }
            }
        } catch (const Poco::Exception &) {
            // The desk ended or the session was aborted.
        }
    }

    Poco::Net::HTTPSClientSession m_session;
    std::atomic<bool> m_open {false};
    std::mutex m_mutex;
    std::vector<SteadyClock::time_point> m_changes;
    std::thread m_thread;
};

// For each frame, the time until the first change that arrived after it, if
// one did before the next frame was written.
std::vector<double> changeDelays(const std::vector<SteadyClock::time_point> &written,
                                 const std::vector<SteadyClock::time_point> &arrived)
{
    std::vector<double> delays;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const auto next = i + 1 < written.size() ? written[i + 1] : written[i] + 1s;
        const auto found = std::lower_bound(arrived.begin(), arrived.end(), written[i]);
        if (found != arrived.end() && *found < next)
            delays.push_back(std::chrono::duration<double, std::milli>(*found - written[i]).count());
    }
    return delays;
}

void printLatency(const char *what, const std::vector<double> &values)
{
    std::printf("  %-44s %5zu  p50 %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", what, values.size(),
                percentile(values, 0.5), percentile(values, 0.99),
                values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()));
}

int run(int frames)
{
    const fs::path folder = fs::temp_directory_path() / ("calldesk-board-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "run");
    fs::permissions(folder / "run", fs::perms::owner_all);
    const std::string data = folder.string() + "/";
    const std::string log = data + "desk.log";
    PseudoTerminal line;
    int port = 0;
    {
        Poco::Net::ServerSocket probe(0);
        port = probe.address().port();
    }
    std::vector<std::string> tokens;
    {
        DbManage db(data);
        std::string error;
        if (!seedDemoSite(db, {line.portPath(), Lcid::English, false}, error)) {
            std::fprintf(stderr, "board_bench: %s\n", error.c_str());
            return 1;
        }
        bool stored = db.SaveBoardSetup({true, port, "", ""});
        for (int i = 0; i < Streams; ++i) {
            tokens.push_back(BoardRegistry::randomSecret());
            stored = stored
                     && db.SaveBoardDevice({"bench " + std::to_string(i), BoardRegistry::hashOf(tokens.back()),
                                            Poco::Timestamp(), std::nullopt});
        }
        if (!stored || !db.SaveSystemDatabase()) {
            std::fprintf(stderr, "board_bench: %s\n", db.lastFailure().c_str());
            return 1;
        }
    }

    const pid_t desk = startDeskProcess(builtDeskPath(), data, data + "run", log);
    int result = 1;
    if (desk > 0) {
        const auto deadline = SteadyClock::now() + 30s;
        while (!(logContains(log, "opened") && logContains(log, "live board: serving"))
               && SteadyClock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        AckProbe quiet(line);
        const std::vector<double> none = quiet.measure(frames);

        const auto context = clientContext();
        std::vector<std::unique_ptr<StreamReader>> readers;
        for (const auto &token : tokens)
            readers.push_back(std::make_unique<StreamReader>(port, token, context));
        const auto connected = SteadyClock::now() + 30s;
        while (SteadyClock::now() < connected
               && !std::all_of(readers.begin(), readers.end(), [](const auto &r) { return r->open(); }))
            std::this_thread::sleep_for(20ms);
        const auto open = std::count_if(readers.begin(), readers.end(), [](const auto &r) { return r->open(); });

        AckProbe busy(line);
        const std::vector<double> full = busy.measure(frames);
        // The last frame's change has a second to arrive.
        std::this_thread::sleep_for(1s);
        const std::vector<double> first = changeDelays(busy.writtenAt(), readers.front()->changes());
        std::vector<std::vector<double>> perStream;
        for (const auto &reader : readers)
            perStream.push_back(changeDelays(busy.writtenAt(), reader->changes()));
        std::vector<double> last;
        if (std::all_of(perStream.begin(), perStream.end(), [&](const auto &d) { return d.size() == first.size(); })) {
            for (std::size_t i = 0; i < first.size(); ++i) {
                double slowest = 0;
                for (const auto &delays : perStream)
                    slowest = std::max(slowest, delays[i]);
                last.push_back(slowest);
            }
        }

        std::printf("live board, %d frames each (calls and cancels; every frame changes the board):\n", frames);
        printLatency("frame -> acknowledgement, no stream open", none);
        printLatency(("frame -> acknowledgement, " + std::to_string(open) + " streams open").c_str(), full);
        if (!none.empty() && !full.empty())
            std::printf("  p99 with the streams / without: %.2f\n", percentile(full, 0.99) / percentile(none, 0.99));
        printLatency("frame -> change read on the first stream", first);
        printLatency("frame -> change read on the last of them", last);
        result = none.empty() || full.empty() || open != Streams ? 1 : 0;

        ::kill(desk, SIGTERM);
        ::waitpid(desk, nullptr, 0);
        readers.clear();
    }
    fs::remove_all(folder);
    return result;
}
}

int main(int argc, char **argv)
{
    int frames = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--frames")
            frames = std::atoi(argv[i + 1]);
    }
    Poco::Data::SQLite::Connector::registerConnector();
    return run(frames);
}
