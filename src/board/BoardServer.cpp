#include "board/BoardServer.h"

#include <chrono>
#include <exception>
#include <mutex>

#include <Poco/Exception.h>
#include <Poco/Net/Context.h>
#include <Poco/Net/HTMLForm.h>
#include <Poco/Net/HTTPCookie.h>
#include <Poco/Net/HTTPRequestHandler.h>
#include <Poco/Net/HTTPRequestHandlerFactory.h>
#include <Poco/Net/HTTPServer.h>
#include <Poco/Net/HTTPServerParams.h>
#include <Poco/Net/HTTPServerRequest.h>
#include <Poco/Net/HTTPServerRequestImpl.h>
#include <Poco/Net/HTTPServerResponse.h>
#include <Poco/Net/NameValueCollection.h>
#include <Poco/Net/NetworkInterface.h>
#include <Poco/Net/SSLManager.h>
#include <Poco/Net/SecureServerSocket.h>
#include <Poco/ThreadPool.h>
#include <Poco/Timestamp.h>
#include <Poco/URI.h>

#include "base/EventLog.h"
#include "board/BoardHub.h"
#include "board/BoardPage.h"
#include "board/BoardRegistry.h"
#include "board/BoardStream.h"

using Poco::Net::HTTPResponse;
using Poco::Net::HTTPServerRequest;
using Poco::Net::HTTPServerResponse;

namespace
{
// Long enough that a phone stays paired through a season; browsers cap a
// cookie's life at about this anyway.
constexpr int CookieMaxAgeSeconds = 400 * 24 * 60 * 60;

void initialiseTls()
{
    static std::once_flag once;
    std::call_once(once, [] { Poco::Net::initializeSSL(); });
}

// The pairing form is the one page that posts anything, and only to its
// own server.
enum class Forms
{
    None,
    Self,
};

// A pairing form's fields are a code and a name; anything longer is no form
// of ours.
constexpr std::streamsize MaxFormBytes = 4096;

void addCommonHeaders(HTTPServerResponse &response, Forms forms = Forms::None)
{
    response.set("Cache-Control", "no-store");
    response.set("X-Content-Type-Options", "nosniff");
    response.set("Referrer-Policy", "no-referrer");
    response.set("Content-Security-Policy",
                 std::string("default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
                             "connect-src 'self'; frame-ancestors 'none'; form-action ")
                     + (forms == Forms::Self ? "'self'" : "'none'"));
    response.set("Strict-Transport-Security", "max-age=31536000");
}

void sendText(HTTPServerResponse &response, HTTPResponse::HTTPStatus status, const std::string &type,
              const std::string &body, Forms forms = Forms::None)
{
    response.setStatusAndReason(status);
    addCommonHeaders(response, forms);
    response.setContentType(type);
    response.setContentLength(static_cast<std::streamsize>(body.size()));
    response.send() << body;
}

class BoardRequestHandler : public Poco::Net::HTTPRequestHandler
{
public:
    BoardRequestHandler(BoardRegistry &registry, BoardHub &hub, std::uint32_t deskLcid)
        : m_registry {registry}
        , m_hub {hub}
        , m_deskLcid {deskLcid}
    {
    }

    void handleRequest(HTTPServerRequest &request, HTTPServerResponse &response) override
    {
        try {
            serve(request, response);
        } catch (const Poco::Exception &) {
            // The browser went away or stopped reading: nothing to tell it,
            // and the desk's log is no place for every closed phone.
        } catch (const std::exception &error) {
            logFailure("answer a request to the live board", error);
        }
    }

private:
    void serve(HTTPServerRequest &request, HTTPServerResponse &response)
    {
        const std::uint32_t lcid = pageLcid(request.get("Accept-Language", ""), m_deskLcid);
        Poco::URI uri;
        try {
            uri = Poco::URI(request.getURI());
        } catch (const Poco::Exception &) {
            sendText(response, HTTPResponse::HTTP_BAD_REQUEST, "text/plain", "Bad request\n");
            return;
        }
        const std::string path = uri.getPath();
        const std::string &method = request.getMethod();
        const bool posted = path == "/pair" && method == Poco::Net::HTTPRequest::HTTP_POST;
        if (method != Poco::Net::HTTPRequest::HTTP_GET && !posted) {
            response.set("Allow", path == "/pair" ? "GET, POST" : "GET");
            sendText(response, HTTPResponse::HTTP_METHOD_NOT_ALLOWED, "text/plain", "Method not allowed\n");
            return;
        }
        if (path == "/pair") {
            if (posted)
                pair(request, response, lcid);
            else
                showPairingForm(request, response, uri, lcid);
            return;
        }
        const bool page = path == "/" || path == "/index.html";
        if (!page && path != "/events" && path != "/ping") {
            sendText(response, HTTPResponse::HTTP_NOT_FOUND, "text/plain", "Not found\n");
            return;
        }
        Poco::Net::NameValueCollection cookies;
        request.getCookies(cookies);
        const auto device = m_registry.deviceOf(cookies.get(BoardServer::CookieName, ""), Poco::Timestamp());
        if (!device) {
            sendText(response, HTTPResponse::HTTP_UNAUTHORIZED, "text/html; charset=utf-8",
                     messagePage(lcid, TextId::BoardNotPaired));
            return;
        }
        if (page)
            sendText(response, HTTPResponse::HTTP_OK, "text/html; charset=utf-8", boardPage(lcid));
        else if (path == "/ping")
            sendText(response, HTTPResponse::HTTP_OK, "text/plain", "ok\n");
        else
            stream(request, response, *device);
    }

    // Opening the link only asks for the device's name: the code is spent
    // by the form, so a link a phone's preview fetched still pairs.
    void showPairingForm(HTTPServerRequest &request, HTTPServerResponse &response, const Poco::URI &uri,
                         std::uint32_t lcid)
    {
        std::string code;
        for (const auto &[name, value] : uri.getQueryParameters()) {
            if (name == "code")
                code = value;
        }
        const std::string address = request.clientAddress().host().toString();
        const auto result = m_registry.check(code, address, Poco::Timestamp());
        if (result.outcome != BoardRegistry::PairOutcome::Paired) {
            refusePairing(response, result.outcome, address, lcid);
            return;
        }
        sendText(response, HTTPResponse::HTTP_OK, "text/html; charset=utf-8", pairingPage(lcid, code, result.device),
                 Forms::Self);
    }

    void pair(HTTPServerRequest &request, HTTPServerResponse &response, std::uint32_t lcid)
    {
        const std::string address = request.clientAddress().host().toString();
        std::string body;
        if (request.hasContentLength() && request.getContentLength() > MaxFormBytes) {
            sendText(response, HTTPResponse::HTTP_REQUEST_ENTITY_TOO_LARGE, "text/plain", "Too large\n");
            return;
        }
        // Read one byte beyond the bound, so that a body without a length
        // that goes on is refused rather than cut.
        body.resize(static_cast<std::size_t>(MaxFormBytes) + 1);
        request.stream().read(body.data(), MaxFormBytes + 1);
        body.resize(static_cast<std::size_t>(request.stream().gcount()));
        if (body.size() > static_cast<std::size_t>(MaxFormBytes)) {
            sendText(response, HTTPResponse::HTTP_REQUEST_ENTITY_TOO_LARGE, "text/plain", "Too large\n");
            return;
        }
        Poco::Net::HTMLForm form;
        form.setFieldLimit(4);
        try {
            form.read(body);
        } catch (const Poco::Exception &) {
            sendText(response, HTTPResponse::HTTP_BAD_REQUEST, "text/plain", "Bad request\n");
            return;
        }
        const auto result = m_registry.pair(form.get("code", ""), form.get("name", ""), address, Poco::Timestamp());
        if (result.outcome != BoardRegistry::PairOutcome::Paired) {
            refusePairing(response, result.outcome, address, lcid);
            return;
        }
        logEvent("live board: paired the device \"" + result.device + "\" at " + address);
        Poco::Net::HTTPCookie cookie(BoardServer::CookieName, result.token);
        cookie.setPath("/");
        cookie.setSecure(true);
        cookie.setHttpOnly(true);
        cookie.setSameSite(Poco::Net::HTTPCookie::SAME_SITE_STRICT);
        cookie.setMaxAge(CookieMaxAgeSeconds);
        response.addCookie(cookie);
        response.set("Location", "/");
        sendText(response, HTTPResponse::HTTP_SEE_OTHER, "text/plain", "Paired\n");
    }

    void refusePairing(HTTPServerResponse &response, BoardRegistry::PairOutcome outcome, const std::string &address,
                       std::uint32_t lcid)
    {
        if (outcome == BoardRegistry::PairOutcome::Limited) {
            response.set("Retry-After", "60");
            sendText(response, HTTPResponse::HTTP_TOO_MANY_REQUESTS, "text/html; charset=utf-8",
                     messagePage(lcid, TextId::BoardPairingLimited));
            return;
        }
        logFailure("pair a device with the live board", "an unknown, used or expired link from " + address);
        sendText(response, HTTPResponse::HTTP_FORBIDDEN, "text/html; charset=utf-8",
                 messagePage(lcid, TextId::BoardPairingRefused));
    }

    void stream(HTTPServerRequest &request, HTTPServerResponse &response, const std::string &device)
    {
        // Without a send timeout a browser that stops reading would hold
        // this thread in a write for ever once the socket's buffer is full.
        if (auto *impl = dynamic_cast<Poco::Net::HTTPServerRequestImpl *>(&request))
            impl->socket().setSendTimeout(Poco::Timespan(BoardServer::TimeoutSeconds, 0));
        const auto events = m_hub.open(device);
        if (!events) {
            response.set("Retry-After", "10");
            sendText(response, HTTPResponse::HTTP_SERVICE_UNAVAILABLE, "text/plain", "Too many open boards\n");
            return;
        }
        // The device may have been removed, and its streams cut off, since
        // its token was checked: the registry forgets it before the cut.
        if (!m_registry.has(device)) {
            m_hub.close(events);
            sendText(response, HTTPResponse::HTTP_UNAUTHORIZED, "text/html; charset=utf-8",
                     messagePage(m_deskLcid, TextId::BoardNotPaired));
            return;
        }
        try {
            response.setStatusAndReason(HTTPResponse::HTTP_OK);
            addCommonHeaders(response);
            response.setContentType("text/event-stream");
            response.setKeepAlive(false);
            std::ostream &out = response.send();
            // How long the browser waits before it connects again.
            out << "retry: 2000\n\n";
            std::string text;
            for (;;) {
                const auto taken = events->take(std::chrono::seconds(BoardServer::KeepAliveSeconds), text);
                if (taken == BoardStream::Taken::Closed)
                    break;
                if (taken == BoardStream::Taken::Idle)
                    out << ": ping\n\n";
                else
                    out << text;
                out.flush();
                if (!out)
                    break;
            }
        } catch (...) {
            m_hub.close(events);
            throw;
        }
        m_hub.close(events);
    }

    BoardRegistry &m_registry;
    BoardHub &m_hub;
    std::uint32_t m_deskLcid;
};

class BoardHandlerFactory : public Poco::Net::HTTPRequestHandlerFactory
{
public:
    BoardHandlerFactory(BoardRegistry &registry, BoardHub &hub, std::uint32_t deskLcid)
        : m_registry {registry}
        , m_hub {hub}
        , m_deskLcid {deskLcid}
    {
    }

    Poco::Net::HTTPRequestHandler *createRequestHandler(const HTTPServerRequest &) override
    {
        return new BoardRequestHandler(m_registry, m_hub, m_deskLcid);
    }

private:
    BoardRegistry &m_registry;
    BoardHub &m_hub;
    std::uint32_t m_deskLcid;
};
}

BoardServer::BoardServer(BoardRegistry &registry, BoardHub &hub, std::uint32_t deskLcid)
    : m_registry {registry}
    , m_hub {hub}
    , m_deskLcid {deskLcid}
{
}

BoardServer::~BoardServer()
{
    stop();
}

bool BoardServer::start(int port, const CertificateFiles &files, std::string &error)
{
    stop();
    try {
        initialiseTls();
        Poco::Net::Context::Ptr context = new Poco::Net::Context(Poco::Net::Context::SERVER_USE, files.keyFile,
                                                                 files.certFile, "", Poco::Net::Context::VERIFY_NONE);
        context->requireMinimumProtocol(Poco::Net::Context::PROTO_TLSV1_2);
        context->disableStatelessSessionResumption();
        Poco::Net::SecureServerSocket socket(context);
        // Reusing the address lets a restarted desk listen at once; reusing
        // the port would let a second desk listen beside the first unseen.
        socket.bind(static_cast<Poco::UInt16>(port), true, false);
        socket.listen(64);
        auto *params = new Poco::Net::HTTPServerParams;
        params->setMaxThreads(MaxThreads);
        params->setMaxQueued(32);
        params->setTimeout(Poco::Timespan(TimeoutSeconds, 0));
        params->setKeepAlive(true);
        params->setKeepAliveTimeout(Poco::Timespan(TimeoutSeconds, 0));
        params->setMaxKeepAliveRequests(100);
        params->setServerName("calldesk");
        m_threads = std::make_unique<Poco::ThreadPool>(2, MaxThreads + 2);
        const int bound = socket.address().port();
        m_server = std::make_unique<Poco::Net::HTTPServer>(new BoardHandlerFactory(m_registry, m_hub, m_deskLcid),
                                                           *m_threads, socket, params);
        m_server->start();
        m_port = bound;
        return true;
    } catch (const Poco::Exception &failure) {
        error = failure.displayText();
    } catch (const std::exception &failure) {
        error = failure.what();
    }
    m_server.reset();
    m_threads.reset();
    return false;
}

void BoardServer::stop()
{
    if (!m_server)
        return;
    m_hub.closeAll();
    m_server->stopAll(true);
    m_server.reset();
    m_threads->joinAll();
    m_threads.reset();
    m_port = 0;
}

std::vector<std::string> boardAddresses(int port)
{
    std::vector<std::string> addresses;
    const std::string suffix = ":" + std::to_string(port) + "/";
    try {
        for (const auto &named : Poco::Net::NetworkInterface::map(true, true)) {
            for (const auto &entry : named.second.addressList()) {
                const auto &address = entry.get<Poco::Net::NetworkInterface::IP_ADDRESS>();
                if (address.family() == Poco::Net::IPAddress::IPv4 && !address.isLoopback())
                    addresses.push_back("https://" + address.toString() + suffix);
            }
        }
    } catch (const Poco::Exception &failure) {
        logFailure("list the addresses of the live board", failure.displayText());
    }
    if (addresses.empty())
        addresses.push_back("https://127.0.0.1" + suffix);
    return addresses;
}
