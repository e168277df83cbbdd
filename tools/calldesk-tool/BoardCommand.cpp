#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <Poco/DateTime.h>
#include <Poco/Exception.h>
#include <Poco/LocalDateTime.h>
#include <Poco/Timestamp.h>

#include "base/LocalTime.h"
#include "data/DataFolder.h"
#include "data/DataFolderLock.h"
#include "data/DbManage.h"
#include "board/BoardCertificate.h"
#include "board/BoardRegistry.h"
#include "board/BoardServer.h"
#include "CommandLine.h"
#include "FolderInUse.h"

namespace
{
constexpr const char *Command = "calldesk-tool board";

std::string timeText(const std::optional<Poco::Timestamp> &instant)
{
    return instant ? localText(Poco::LocalDateTime(Poco::DateTime(*instant))) : std::string("never");
}

// The certificate the board will serve and its fingerprint; the self-signed
// one of the data folder is made here when the site gave none.
bool showCertificate(const stBoardSetup &setup, const std::string &folder)
{
    std::string error;
    std::optional<CertificateFiles> files;
    if (setup.CertFile.empty())
        files = ensureSelfSignedCertificate(folder, error);
    else
        files = CertificateFiles {setup.CertFile, setup.KeyFile};
    const auto fingerprint = files ? certificateFingerprint(files->certFile, error) : std::nullopt;
    if (!fingerprint) {
        std::cerr << Command << ": " << error << std::endl;
        return false;
    }
    std::cout << "certificate " << files->certFile << "\nSHA-256 " << *fingerprint << std::endl;
    return true;
}

struct Request
{
    enum class What
    {
        Show,
        On,
        Off,
        Devices,
        Remove,
        Pair,
    } what = What::Show;
    std::string name;
    std::optional<int> port;
    std::string certFile;
    std::string keyFile;
};

int run(DbManage &db, const Request &request)
{
    auto setup = db.LoadBoardSetup();
    if (!setup) {
        std::cerr << Command << ": the board's settings cannot be read: " << db.lastFailure() << std::endl;
        return 1;
    }
    auto save = [&] {
        if (db.SaveSystemDatabase() || !db.modified())
            return true;
        std::cerr << Command << ": the settings could not be saved: " << db.lastFailure() << std::endl;
        return false;
    };
    switch (request.what) {
    case Request::What::Show:
        std::cout << "live board " << (setup->Enabled ? "on" : "off") << ", port " << setup->Port << std::endl;
        return 0;
    case Request::What::On:
    case Request::What::Off:
        setup->Enabled = request.what == Request::What::On;
        if (request.port)
            setup->Port = *request.port;
        if (!request.certFile.empty()) {
            setup->CertFile = request.certFile;
            setup->KeyFile = request.keyFile;
        }
        if (setup->Enabled && !showCertificate(*setup, db.folder()))
            return 1;
        if (!db.SaveBoardSetup(*setup) || !save())
            return 1;
        std::cout << "live board " << (setup->Enabled ? "on" : "off") << ", port " << setup->Port << std::endl;
        if (setup->Enabled) {
            for (const auto &address : boardAddresses(setup->Port))
                std::cout << address << std::endl;
        }
        return 0;
    case Request::What::Devices: {
        const auto devices = db.LoadBoardDevices();
        if (!devices) {
            std::cerr << Command << ": the devices cannot be read: " << db.lastFailure() << std::endl;
            return 1;
        }
        for (const auto &device : *devices)
            std::cout << device.Name << "\tpaired " << timeText(device.PairedAt) << "\tlast seen "
                      << timeText(device.LastSeen) << std::endl;
        return 0;
    }
    case Request::What::Remove: {
        bool found = false;
        if (!db.RemoveBoardDevice(request.name, found) || !save())
            return 1;
        if (!found) {
            std::cerr << Command << ": no device is named \"" << request.name << "\"" << std::endl;
            return 1;
        }
        std::cout << "removed " << request.name << std::endl;
        return 0;
    }
    case Request::What::Pair: {
        const auto pairing = BoardRegistry::makePairing(request.name, Poco::Timestamp());
        if (!db.SaveBoardPairing(pairing.stored) || !save())
            return 1;
        if (!setup->Enabled)
            std::cerr << Command << ": the live board is off; turn it on with --on for the link to work"
                      << std::endl;
        std::cout << "Open one of these on \"" << request.name << "\" within 5 minutes (once):" << std::endl;
        for (const auto &address : boardAddresses(setup->Port))
            std::cout << address << "pair?code=" << pairing.code << std::endl;
        return 0;
    }
    }
    return 1;
}
}

int runBoard(const std::vector<std::string> &arguments)
{
    CommandLine line(Command, "[options]",
                     "Shows, turns on or off the live board that browsers on the site's network open, lists and "
                     "removes its paired devices, and makes a one-time pairing link. Refuses while a desk runs on "
                     "the data folder: the desk keeps the board's devices itself.");
    line.option("data-dir", "DIR", "The desk's data folder (default: the desk's default data folder).");
    line.flag("on", "Turn the board on.");
    line.flag("off", "Turn the board off.");
    line.option("port", "N", "With --on: the HTTPS port (default 8443).");
    line.option("cert", "FILE", "With --on: the site's certificate (PEM) instead of the self-signed one.");
    line.option("key", "FILE", "With --cert: the certificate's private key (PEM).");
    line.flag("devices", "List the paired devices.");
    line.option("remove", "NAME", "Remove the paired device NAME: it no longer sees the board.");
    line.option("pair", "NAME", "Print a pairing link for a device named NAME, valid once for 5 minutes.");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (!line.positionals().empty())
        return line.fail("no arguments besides the options");

    Request request;
    int actions = 0;
    for (const auto &[flag, what] : {std::pair {"on", Request::What::On}, std::pair {"off", Request::What::Off},
                                     std::pair {"devices", Request::What::Devices},
                                     std::pair {"remove", Request::What::Remove},
                                     std::pair {"pair", Request::What::Pair}}) {
        if (line.has(flag)) {
            request.what = what;
            ++actions;
        }
    }
    if (actions > 1)
        return line.fail("one of --on, --off, --devices, --remove and --pair at a time");
    if (request.what == Request::What::Remove || request.what == Request::What::Pair) {
        request.name = line.text(request.what == Request::What::Remove ? "remove" : "pair");
        if (request.name.empty())
            return line.fail("a device needs a name");
    }
    const bool configures = request.what == Request::What::On || request.what == Request::What::Off;
    if ((line.has("port") || line.has("cert") || line.has("key")) && !configures)
        return line.fail("--port, --cert and --key go with --on or --off");
    if (line.has("port")) {
        const auto port = line.number("port", stBoardSetup::DefaultPort, 1, 65535);
        if (!port)
            return 2;
        request.port = static_cast<int>(*port);
    }
    if (line.has("cert") != line.has("key"))
        return line.fail("--cert and --key go together");
    request.certFile = line.text("cert");
    request.keyFile = line.text("key");

    std::optional<std::string> folder;
    if (line.has("data-dir"))
        folder = line.text("data-dir");
    const std::string dataFolder = resolveDataFolder(folder);
    DataFolderLock lock(dataFolder);
    if (!lockFolder(lock, Command))
        return 1;
    DbManage::SetFolder(dataFolder);
    int exitCode = 1;
    try {
        exitCode = run(*DbManage::GetInstance(), request);
    } catch (const Poco::Exception &failure) {
        std::cerr << Command << ": " << failure.displayText() << std::endl;
    } catch (const std::exception &failure) {
        std::cerr << Command << ": " << failure.what() << std::endl;
    }
    DbManage::ReleaseInstance();
    return exitCode;
}
