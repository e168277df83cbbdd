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
                     "A USB adapter is listed twice: as its device (/dev/ttyUSB0), and by the stable name under "
                     "/dev/serial/by-id/ that survives its renumbering, followed by \" -> \" and the device it "
                     "names now; either can be given to \"calldesk-tool port\". With --watch it then prints "
                     "\"+ PATH\" when a port arrives and \"- PATH\" when it goes away, until Ctrl-C.");
    line.flag("watch", "Keep watching for ports coming and going.")
        .option("folder", "DIR", "List the terminals linked from DIR instead of the machine's serial devices.");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (!line.positionals().empty())
        return line.fail("unexpected argument \"" + line.positionals().front() + "\"");

    const SerialPortScanner scanner(line.text("folder"));
    PortList ports;
    for (const PortEntry &port : scanner.scanEntries()) {
        ports.insert(port.name);
        std::cout << port.name << (port.target.empty() ? "" : " -> " + port.target) << '\n';
    }
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
