#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "receiver/MainLoop.h"
#include "receiver/PortList.h"
#include "receiver/SerialPortScanner.h"
#include "CommandLine.h"
#include "Interrupt.h"

namespace
{
using namespace std::chrono_literals;

constexpr int ScanTimer = 1;
}

int runPorts(const std::vector<std::string> &arguments)
{
    CommandLine line("calldesk-tool ports", "[options]",
                     "Lists the serial ports present, one device path a line, in the order the desk offers them. "
                     "With --watch it then prints \"+ PATH\" when a port arrives and \"- PATH\" when it goes away, "
                     "until Ctrl-C.");
    line.flag("watch", "Keep watching for ports coming and going.")
        .option("folder", "DIR", "List the terminals linked from DIR instead of the machine's serial devices.");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (!line.positionals().empty())
        return line.fail("unexpected argument \"" + line.positionals().front() + "\"");

    const SerialPortScanner scanner(line.text("folder"));
    PortList ports;
    ports.assign(scanner.scan());
    for (const std::string &port : ports.names())
        std::cout << port << '\n';
    std::cout.flush();
    if (!line.has("watch"))
        return 0;

    catchInterrupts();
    MainLoop loop;
    loop.startTimer(ScanTimer, 1000ms, [&] {
        const PortList::Changes changes = ports.changesTo(scanner.scan());
        for (const std::string &port : changes.removed) {
            ports.erase(port);
            std::cout << "- " << port << std::endl;
        }
        for (const std::string &port : changes.arrived) {
            ports.insert(port);
            std::cout << "+ " << port << std::endl;
        }
    });
    loop.runUntil(interrupted);
    return 0;
}
