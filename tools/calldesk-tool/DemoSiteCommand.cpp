#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Exception.h>

#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "demo/DemoSite.h"
#include "CommandLine.h"

int runDemoSite(const std::vector<std::string> &arguments)
{
    CommandLine line("calldesk-tool demo-site", "--port PATH [options]",
                     "Fills an empty data folder with a small demo restaurant for trying the desk: five zones, "
                     "pagers 1 to 20 with table names, the fifteen service keys, ten attendants whose duties "
                     "cover the whole day, and the settings with PATH as the serial port (the link that "
                     "\"calldesk-tool simulate --link PATH\" makes). Warnings come at 20 and 35 seconds and the "
                     "timeout at 50, so every level shows within a minute. A folder that already has pagers is "
                     "left alone.");
    line.option("data-dir", "DIR", "The data folder to fill (default: the desk's default data folder).")
        .option("port", "PATH", "The serial port the desk is to open.")
        .option("language", "en|zh", "The desk's language and the language of the names (default en).")
        .flag("normal-times", "Keep the usual thresholds (60 s, 120 s, 600 s).");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (!line.positionals().empty())
        return line.fail("unexpected argument \"" + line.positionals().front() + "\"");
    if (!line.has("port"))
        return line.fail("--port is needed");
    const std::string language = line.text("language", "en");
    if (language != "en" && language != "zh")
        return line.fail("--language takes en or zh, not \"" + language + "\"");

    DemoSiteOptions options;
    options.port = line.text("port");
    options.lcid = language == "zh" ? Lcid::Chinese : Lcid::English;
    options.quickEscalation = !line.has("normal-times");

    std::optional<std::string> folder;
    if (line.has("data-dir"))
        folder = line.text("data-dir");
    DbManage::SetFolder(resolveDataFolder(folder));
    std::string error;
    bool seeded = false;
    try {
        seeded = seedDemoSite(*DbManage::GetInstance(), options, error);
        std::cout << (seeded ? "demo site written to " : "nothing written to ") << DbManage::GetInstance()->folder()
                  << std::endl;
    } catch (const Poco::Exception &failure) {
        error = failure.displayText();
    } catch (const std::exception &failure) {
        error = failure.what();
    }
    DbManage::ReleaseInstance();
    if (!seeded) {
        std::cerr << "calldesk-tool demo-site: " << error << std::endl;
        return 1;
    }
    return 0;
}
