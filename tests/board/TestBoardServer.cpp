#include <cctype>
#include <chrono>
#include <istream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <Poco/Net/AcceptCertificateHandler.h>
#include <Poco/Net/Context.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/Net/SSLManager.h>
#include <Poco/Net/SecureStreamSocket.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/StreamCopier.h>

#include "base/Language.h"
#include "base/StringTable.h"
#include "board/BoardCertificate.h"
#include "board/BoardHub.h"
#include "board/BoardRegistry.h"
#include "board/BoardServer.h"
#include "board/BoardStream.h"
#include "support/TempFolder.h"
#include "board/BoardClient.h"

namespace
{
using namespace std::chrono_literals;
using Poco::Net::HTTPResponse;

using namespace boardclient;

class BoardServerTest : public ::testing::Test
{
protected:
    BoardServerTest()
    {
        std::string error;
        const auto files = ensureSelfSignedCertificate(m_folder.path(), error);
        EXPECT_TRUE(files) << error;
        m_expired = BoardRegistry::makePairing("late", Poco::Timestamp() - BoardRegistry::PairingLifetime - 1);
        m_registry = std::make_unique<BoardRegistry>(std::vector<stBoardDevice> {},
                                                     std::vector<stBoardPairing> {m_expired.stored});
        m_server = std::make_unique<BoardServer>(*m_registry, m_hub, Lcid::English);
        EXPECT_TRUE(m_server->start(0, *files, error)) << error;
    }

    std::unique_ptr<Poco::Net::HTTPSClientSession> session() { return boardclient::session(m_server->port()); }

    Reply get(const std::string &path, const std::string &cookie = "",
              const std::string &method = Poco::Net::HTTPRequest::HTTP_GET)
    {
        return fetch(m_server->port(), method, path, cookie);
    }

    Reply post(const std::string &body) { return fetch(m_server->port(), "POST", "/pair", "", body); }

    // A paired device's cookie header.
    std::string pairedCookie(const std::string &name = "phone")
    {
        const Reply reply = post(pairingForm(m_registry->addPairing(name, Poco::Timestamp()), ""));
        EXPECT_EQ(reply.status, HTTPResponse::HTTP_SEE_OTHER);
        return reply.cookie();
    }

    TempFolder m_folder;
    BoardRegistry::NewPairing m_expired;
    std::unique_ptr<BoardRegistry> m_registry;
    BoardHub m_hub;
    std::unique_ptr<BoardServer> m_server;
};

TEST_F(BoardServerTest, WithoutAValidTokenEverythingAnswersHowToPair)
{
    const std::string cookie = pairedCookie();
    const std::string notPaired = builtInText(TextId::BoardNotPaired, Lcid::English);
    struct Case
    {
        const char *path;
        std::string cookie;
        int status;
    };
    const Case cases[] = {
        {"/", "", HTTPResponse::HTTP_UNAUTHORIZED},
        {"/events", "", HTTPResponse::HTTP_UNAUTHORIZED},
        {"/ping", "", HTTPResponse::HTTP_UNAUTHORIZED},
        {"/", std::string(BoardServer::CookieName) + "=wrong", HTTPResponse::HTTP_UNAUTHORIZED},
        {"/events", cookie + "x", HTTPResponse::HTTP_UNAUTHORIZED},
        {"/", "other=1", HTTPResponse::HTTP_UNAUTHORIZED},
        {"/ping", cookie, HTTPResponse::HTTP_OK},
        {"/index.html", cookie, HTTPResponse::HTTP_OK},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.path) + " with " + c.cookie);
        const Reply reply = get(c.path, c.cookie);
        EXPECT_EQ(reply.status, c.status);
        if (c.status == HTTPResponse::HTTP_UNAUTHORIZED) {
            EXPECT_NE(reply.body.find(notPaired), std::string::npos) << reply.body;
        }
    }
}

TEST_F(BoardServerTest, OnlyThePagesOwnPathsAreServed)
{
    const std::string cookie = pairedCookie();
    struct Case
    {
        const char *path;
        const char *method;
        int status;
    };
    const Case cases[] = {
        {"/../ovk.db", "GET", HTTPResponse::HTTP_NOT_FOUND},
        {"/%2e%2e/%2e%2e/etc/passwd", "GET", HTTPResponse::HTTP_NOT_FOUND},
        {"/board-key.pem", "GET", HTTPResponse::HTTP_NOT_FOUND},
        {"//events", "GET", HTTPResponse::HTTP_NOT_FOUND},
        {"/index.html/", "GET", HTTPResponse::HTTP_NOT_FOUND},
        {"/", "POST", HTTPResponse::HTTP_METHOD_NOT_ALLOWED},
        {"/", "GET", HTTPResponse::HTTP_OK},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        const Reply reply = get(c.path, cookie, c.method);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.body.find("PRIVATE KEY"), std::string::npos);
    }
    // The page is whole, with its texts, and fetches nothing from elsewhere.
    const Reply page = get("/", cookie);
    EXPECT_NE(page.body.find("new EventSource(\"/events\")"), std::string::npos);
    EXPECT_NE(page.body.find("\"title\":\"Open calls\""), std::string::npos);
    EXPECT_EQ(page.body.find("http://"), std::string::npos);
    EXPECT_EQ(page.body.find("https://"), std::string::npos);
}

TEST_F(BoardServerTest, APairingLinkAsksForANameThenWorksOnceAndSetsAGuardedCookie)
{
    const std::string code = m_registry->addPairing("Bar \"<1>\"", Poco::Timestamp());
    // Opening the link (or a phone's preview of it) only shows the form,
    // the link's name in it escaped.
    for (int i = 0; i < 2; ++i) {
        const Reply form = get("/pair?code=" + code);
        EXPECT_EQ(form.status, HTTPResponse::HTTP_OK);
        EXPECT_TRUE(form.setCookie.empty());
        EXPECT_NE(form.body.find("name=\"name\" value=\"Bar &quot;&lt;1&gt;&quot;\""), std::string::npos)
            << form.body;
        EXPECT_NE(form.body.find("value=\"" + code + "\""), std::string::npos);
        EXPECT_NE(form.body.find(builtInText(TextId::BoardDeviceNameLabel, Lcid::English)), std::string::npos);
        EXPECT_NE(form.contentSecurityPolicy.find("form-action 'self'"), std::string::npos);
    }
    EXPECT_NE(get("/", "").contentSecurityPolicy.find("form-action 'none'"), std::string::npos);

    const Reply paired = post(pairingForm(code, "Till & bar"));
    EXPECT_EQ(paired.status, HTTPResponse::HTTP_SEE_OTHER);
    // Attribute names are case-insensitive.
    std::string attributes = paired.setCookie.substr(paired.setCookie.find(';'));
    for (char &c : attributes)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char *attribute : {"; secure", "; httponly", "; samesite=strict", "; path=/"})
        EXPECT_NE(attributes.find(attribute), std::string::npos) << attribute << " in " << paired.setCookie;
    ASSERT_EQ(m_registry->devices().size(), 1u);
    EXPECT_EQ(m_registry->devices()[0].Name, "Till & bar");

    const std::string refused = builtInText(TextId::BoardPairingRefused, Lcid::English);
    // Fewer than the failures one address may make before it waits.
    const Reply refusals[] = {get("/pair?code=" + code), post(pairingForm(code, "again")),
                              get("/pair?code=" + m_expired.code), post(pairingForm("", "again"))};
    for (const Reply &again : refusals) {
        EXPECT_EQ(again.status, HTTPResponse::HTTP_FORBIDDEN);
        EXPECT_TRUE(again.setCookie.empty());
        EXPECT_NE(again.body.find(refused), std::string::npos);
    }
    EXPECT_EQ(get("/", paired.cookie()).status, HTTPResponse::HTTP_OK);
}

TEST_F(BoardServerTest, APairingFormBeyondItsBoundIsRefusedAndTheCodeKept)
{
    const std::string code = m_registry->addPairing("phone", Poco::Timestamp());
    struct Case
    {
        const char *name;
        std::string body;
        int status;
    };
    const Case cases[] = {
        {"a name of megabytes", pairingForm(code, std::string(1 << 20, 'a')),
         HTTPResponse::HTTP_REQUEST_ENTITY_TOO_LARGE},
        {"just over the bound", pairingForm(code, std::string(4096, 'a')), HTTPResponse::HTTP_REQUEST_ENTITY_TOO_LARGE},
        {"too many fields", pairingForm(code, "a") + std::string(20, '&') + "x=1&y=2&z=3&w=4",
         HTTPResponse::HTTP_BAD_REQUEST},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Reply reply;
        try {
            reply = post(c.body);
        } catch (const Poco::Exception &) {
            // Closed before the whole body was sent: refused as well.
        }
        EXPECT_NE(reply.status, HTTPResponse::HTTP_SEE_OTHER);
        if (reply.status != 0) {
            EXPECT_EQ(reply.status, c.status);
        }
        EXPECT_TRUE(reply.setCookie.empty());
    }
    // A long name within the bound is cut, not refused.
    const Reply paired = post(pairingForm(code, std::string(100, 'b')));
    EXPECT_EQ(paired.status, HTTPResponse::HTTP_SEE_OTHER);
    ASSERT_EQ(m_registry->devices().size(), 1u);
    EXPECT_EQ(m_registry->devices()[0].Name, std::string(BoardRegistry::MaxNameLength, 'b'));
}

TEST_F(BoardServerTest, TheStreamSendsTheStateThenChangesUntilTheDeviceIsRemoved)
{
    BoardCall call;
    call.key = "12@5";
    call.pager = "Table 12";
    m_hub.publish({{call}, ""});
    const std::string cookie = pairedCookie();

    auto client = session();
    Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_GET, "/events", Poco::Net::HTTPMessage::HTTP_1_1);
    request.set("Cookie", cookie);
    client->sendRequest(request);
    HTTPResponse response;
    std::istream &in = client->receiveResponse(response);
    ASSERT_EQ(response.getStatus(), HTTPResponse::HTTP_OK);
    EXPECT_EQ(response.getContentType(), "text/event-stream");
    std::string seen;
    ASSERT_TRUE(readUntil(in, "event: state", seen)) << seen;

    call.level = 2;
    m_hub.publish({{call}, ""});
    ASSERT_TRUE(readUntil(in, "event: change", seen)) << seen;
    EXPECT_NE(seen.find("\"level\":2"), std::string::npos);
    // The state event came before any change.
    EXPECT_LT(seen.find("event: state"), seen.find("event: change"));

    ASSERT_TRUE(m_registry->remove("phone"));
    m_hub.cutOff("phone");
    std::string rest;
    EXPECT_FALSE(readUntil(in, "event:", rest)) << rest;
    EXPECT_TRUE(m_hub.waitForStreamCount(0, 10s));
    EXPECT_EQ(get("/ping", cookie).status, HTTPResponse::HTTP_UNAUTHORIZED);
}

TEST_F(BoardServerTest, StreamsBeyondTheLimitAreTurnedAway)
{
    const std::string cookie = pairedCookie();
    std::vector<std::shared_ptr<BoardStream>> held;
    for (std::size_t i = 0; i < BoardHub::MaxStreams; ++i)
        held.push_back(m_hub.open("held"));
    EXPECT_EQ(get("/events", cookie).status, HTTPResponse::HTTP_SERVICE_UNAVAILABLE);
    m_hub.close(held.back());
    held.pop_back();
    auto client = session();
    Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_GET, "/events", Poco::Net::HTTPMessage::HTTP_1_1);
    request.set("Cookie", cookie);
    client->sendRequest(request);
    HTTPResponse response;
    client->receiveResponse(response);
    EXPECT_EQ(response.getStatus(), HTTPResponse::HTTP_OK);
}

TEST_F(BoardServerTest, OversizedHeadersAreRefused)
{
    const std::string cookie = pairedCookie();
    struct Case
    {
        const char *name;
        std::size_t valueSize;
        std::size_t count;
    };
    const Case cases[] = {
        {"one long header", 20000, 1},
        {"too many headers", 10, 200},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto client = session();
        Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_GET, "/", Poco::Net::HTTPMessage::HTTP_1_1);
        request.set("Cookie", cookie);
        for (std::size_t i = 0; i < c.count; ++i)
            request.set("X-Filler-" + std::to_string(i), std::string(c.valueSize, 'a'));
        client->sendRequest(request);
        HTTPResponse response;
        int status = 0;
        try {
            client->receiveResponse(response);
            status = response.getStatus();
        } catch (const Poco::Exception &) {
            // Closed without an answer: refused as well.
        }
        EXPECT_NE(status, HTTPResponse::HTTP_OK);
    }
}

TEST_F(BoardServerTest, ABrowserThatStopsReadingIsDropped)
{
    const std::string cookie = pairedCookie();
    Poco::Net::SecureStreamSocket socket(Poco::Net::SocketAddress("127.0.0.1", m_server->port()), clientContext());
    // A small receive buffer, so the server's writes stall soon.
    socket.setReceiveBufferSize(4096);
    const std::string request = "GET /events HTTP/1.1\r\nHost: x\r\nCookie: " + cookie + "\r\n\r\n";
    socket.sendBytes(request.data(), static_cast<int>(request.size()));
    ASSERT_TRUE(m_hub.waitForStreamCount(1, 10s));

    auto reader = m_hub.open("reader");
    std::string text;
    ASSERT_EQ(reader->take(10s, text), BoardStream::Taken::Events);
    const std::string big(64 * 1024, 'x');
    for (int i = 0; i < 100 && m_hub.streamCount() > 1; ++i) {
        m_hub.publish({{}, big + std::to_string(i)});
        ASSERT_EQ(reader->take(10s, text), BoardStream::Taken::Events);
    }
    // Its connection thread gives up within the write timeout and lets go.
    EXPECT_TRUE(m_hub.waitForStreamCount(1, std::chrono::seconds(2 * BoardServer::TimeoutSeconds)));
    EXPECT_FALSE(reader->closed());
}

TEST(BoardCertificate, IsMadeOnceReadableByTheUserOnlyWithItsFingerprint)
{
    TempFolder folder;
    std::string error;
    const auto files = ensureSelfSignedCertificate(folder.path(), error);
    ASSERT_TRUE(files) << error;
    struct stat key {};
    ASSERT_EQ(::stat(files->keyFile.c_str(), &key), 0);
    EXPECT_EQ(key.st_mode & 0777, 0600u);
    const auto fingerprint = certificateFingerprint(files->certFile, error);
    ASSERT_TRUE(fingerprint) << error;
    EXPECT_EQ(fingerprint->size(), 32u * 3 - 1);

    const std::string before = readFile(files->certFile);
    ASSERT_TRUE(ensureSelfSignedCertificate(folder.path(), error));
    EXPECT_EQ(readFile(files->certFile), before);

    EXPECT_FALSE(certificateFingerprint(files->keyFile, error));
    EXPECT_FALSE(error.empty());
}

TEST(BoardServerStart, AnUnusableCertificateOrPortIsReported)
{
    TempFolder folder;
    BoardRegistry registry({}, {});
    BoardHub hub;
    BoardServer server(registry, hub, Lcid::English);
    std::string error;
    writeFile(folder.file("cert.pem"), "not a certificate");
    EXPECT_FALSE(server.start(0, {folder.file("cert.pem"), folder.file("missing.pem")}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(server.running());

    const auto files = ensureSelfSignedCertificate(folder.path(), error);
    ASSERT_TRUE(files);
    ASSERT_TRUE(server.start(0, *files, error)) << error;
    BoardServer second(registry, hub, Lcid::English);
    error.clear();
    EXPECT_FALSE(second.start(server.port(), *files, error));
    EXPECT_FALSE(error.empty());
}
}
