#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Exception.h>

#include "base/StringTable.h"
#include "data/DataFolder.h"
#include "data/DataFolderLock.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "CommandLine.h"
#include "FolderInUse.h"

namespace
{
// Reads the settings (inserting the first start's defaults), sets the port
// when one is given, and saves; what the desk would do, without its window.
bool showOrSetPort(DbManage &db, const std::optional<std::string> &port, std::string &stored)
{
    const std::uint32_t lcid = lcidForLocaleName(userLocaleName());
    SetupRecord setup = SetupRecord::defaults(lcid, builtInText(TextId::ProgramName, lcid), db.folder());
    db.LoadSetup(setup);
    if (port) {
        setup.SerialPort = *port;
        db.SaveSetup(setup);
        SetupRecord check;
        db.LoadSetup(check);
        if (check.SerialPort != *port || !db.SaveSystemDatabase())
            return false;
    } else if (db.modified() && !db.SaveSystemDatabase()) {
        return false;
    }
    stored = setup.SerialPort;
    return true;
}
}

int runPort(const std::vector<std::string> &arguments)
{
    CommandLine line("calldesk-tool port", "[options] [PATH]",
                     "Shows the serial port the desk opens at start-up, or sets it to PATH (for example "
                     "/dev/ttyUSB0; \"calldesk-tool ports\" lists them). Refuses while a desk runs on the data folder: it writes its own "
                     "copy of the settings when it ends.");
    line.option("data-dir", "DIR", "The desk's data folder (default: the desk's default data folder).");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (line.positionals().size() > 1)
        return line.fail("one port at most");
    std::optional<std::string> port;
    if (!line.positionals().empty())
        port = line.positionals().front();

    std::optional<std::string> folder;
    if (line.has("data-dir"))
        folder = line.text("data-dir");
    const std::string dataFolder = resolveDataFolder(folder);
    // A running desk writes its own copy of the settings when it ends.
    DataFolderLock lock(dataFolder);
    if (!lockFolder(lock, "calldesk-tool port"))
        return 1;
    DbManage::SetFolder(dataFolder);
    std::string stored;
    std::string error;
    bool done = false;
    try {
        done = showOrSetPort(*DbManage::GetInstance(), port, stored);
        if (!done)
            error = "the settings could not be saved";
    } catch (const Poco::Exception &failure) {
        error = failure.displayText();
    } catch (const std::exception &failure) {
        error = failure.what();
    }
    DbManage::ReleaseInstance();
    if (!done) {
        std::cerr << "calldesk-tool port: " << error << std::endl;
        return 1;
    }
    std::cout << (stored.empty() ? std::string("no serial port set") : stored) << std::endl;
    return 0;
}
