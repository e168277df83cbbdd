#pragma once

#include <istream>
#include <memory>
#include <string>

#include <Poco/Net/AcceptCertificateHandler.h>
#include <Poco/Net/Context.h>
#include <Poco/Net/HTMLForm.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/HTTPSClientSession.h>
#include <Poco/Net/SSLManager.h>
#include <Poco/StreamCopier.h>
#include <Poco/URI.h>

// A browser's side of the board for tests: HTTPS to 127.0.0.1, the
// self-signed certificate accepted.
namespace boardclient
{
inline Poco::Net::Context::Ptr clientContext()
{
    static Poco::Net::Context::Ptr context = [] {
        Poco::Net::initializeSSL();
        Poco::Net::Context::Ptr made =
            new Poco::Net::Context(Poco::Net::Context::CLIENT_USE, "", "", "", Poco::Net::Context::VERIFY_NONE);
        Poco::SharedPtr<Poco::Net::InvalidCertificateHandler> accept = new Poco::Net::AcceptCertificateHandler(false);
        Poco::Net::SSLManager::instance().initializeClient(nullptr, accept, made);
        return made;
    }();
    return context;
}

struct Reply
{
    int status = 0;
    std::string body;
    std::string setCookie;
    std::string contentSecurityPolicy;

    // The cookie header a browser sends back.
    std::string cookie() const { return setCookie.substr(0, setCookie.find(';')); }
};

inline std::unique_ptr<Poco::Net::HTTPSClientSession> session(int port)
{
    auto made = std::make_unique<Poco::Net::HTTPSClientSession>("127.0.0.1", port, clientContext());
    made->setTimeout(Poco::Timespan(10, 0));
    return made;
}

// body, when given, goes as a form.
inline Reply fetch(int port, const std::string &method, const std::string &path, const std::string &cookie = "",
                   const std::string &body = "")
{
    auto client = session(port);
    Poco::Net::HTTPRequest request(method, path, Poco::Net::HTTPMessage::HTTP_1_1);
    if (!cookie.empty())
        request.set("Cookie", cookie);
    if (method == Poco::Net::HTTPRequest::HTTP_POST) {
        request.setContentType("application/x-www-form-urlencoded");
        request.setContentLength(static_cast<std::streamsize>(body.size()));
    }
    client->sendRequest(request) << body;
    Poco::Net::HTTPResponse response;
    std::istream &in = client->receiveResponse(response);
    Reply reply;
    reply.status = response.getStatus();
    reply.setCookie = response.get("Set-Cookie", "");
    reply.contentSecurityPolicy = response.get("Content-Security-Policy", "");
    Poco::StreamCopier::copyToString(in, reply.body);
    return reply;
}

// What the pairing form posts: the link's code and the name typed.
inline std::string pairingForm(const std::string &code, const std::string &name)
{
    std::string encodedCode;
    std::string encodedName;
    Poco::URI::encode(code, "&=+", encodedCode);
    Poco::URI::encode(name, "&=+", encodedName);
    return "code=" + encodedCode + "&name=" + encodedName;
}

// The code of a link "https://host:port/pair?code=...".
inline std::string codeOf(const std::string &link)
{
    return link.substr(link.find("code=") + 5);
}

// Reads an event stream up to the end of the first event holding needle.
inline bool readUntil(std::istream &in, const std::string &needle, std::string &seen)
{
    std::string line;
    std::string event;
    while (std::getline(in, line)) {
        event += line + "\n";
        if (line.empty()) {
            seen += event;
            if (event.find(needle) != std::string::npos)
                return true;
            event.clear();
        }
    }
    return false;
}
}
