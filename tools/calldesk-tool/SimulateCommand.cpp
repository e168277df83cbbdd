#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "receiver/PseudoTerminal.h"
#include "CommandLine.h"
#include "Interrupt.h"
#include "ReceiverSimulator.h"

namespace fs = std::filesystem;

namespace
{
constexpr double LargestPagerNumber = 999999999;  // nine characters

// A link left by an earlier run is replaced; anything else at that path is
// not ours to remove.
bool makeLink(const std::string &link, const std::string &target)
{
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(link, error)))
        fs::remove(link, error);
    fs::create_symlink(target, link, error);
    if (error) {
        std::cerr << "calldesk-tool simulate: cannot link " << link << " to " << target << ": " << error.message()
                  << std::endl;
        return false;
    }
    return true;
}

void removeLinkTo(const std::string &link, const std::string &target)
{
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(link, error)) && fs::read_symlink(link, error) == target)
        fs::remove(link, error);
}
}

int runSimulate(const std::vector<std::string> &arguments)
{
    CommandLine line("calldesk-tool simulate", "[options]",
                     "Acts as a wireless receiver on a new pseudo-terminal: prints the port's path, sends the call "
                     "and cancel frames of simulated pagers, waits for each acknowledgement (resending after one "
                     "second, at most three times), answers heartbeat requests, and prints one line per event and "
                     "the totals on exit (Ctrl-C, or --count reached).");
    line.option("pagers", "N", "Pagers 1..N press keys (default 20).")
        .option("rate", "PER_S", "Key presses per second over all pagers (default 1; 0 for none).")
        .option("cancel-after", "S", "Seconds until a call is answered at its pager (default 5; 0 for never).")
        .option("seed", "N", "Seed of the random pagers and keys (default: a random one, printed).")
        .option("link", "PATH", "Also make PATH a symbolic link to the port.")
        .option("count", "N", "Make N calls, then finish once every frame is acknowledged or given up.")
        .option("mute-after", "S", "After S seconds fall silent: send and answer nothing more, as a receiver whose "
                                   "power failed, to try the desk's supervision of its link.");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (!line.positionals().empty())
        return line.fail("unexpected argument \"" + line.positionals().front() + "\"");

    const auto pagers = line.number("pagers", 20, 1, LargestPagerNumber);
    const auto rate = line.number("rate", 1, 0, 1000);
    const auto cancelAfter = line.number("cancel-after", 5, 0, 86400);
    const auto seed = line.number("seed", std::random_device()(), 0, 4294967295.0);
    const auto count = line.number("count", -1, 0, 1e9);
    const auto muteAfter = line.number("mute-after", -1, 0, 1e9);
    if (!pagers || !rate || !cancelAfter || !seed || !count || !muteAfter)
        return 2;

    SimulatorOptions options;
    options.pagers = static_cast<int>(*pagers);
    options.callsPerSecond = *rate;
    options.cancelAfterSeconds = *cancelAfter;
    options.seed = static_cast<unsigned>(*seed);
    if (*count >= 0)
        options.count = static_cast<long>(*count);
    if (line.has("mute-after"))
        options.muteAfterSeconds = *muteAfter;

    PseudoTerminal terminal;
    if (!terminal.isOpen()) {
        std::cerr << "calldesk-tool simulate: " << terminal.errorString() << std::endl;
        return 1;
    }
    const std::string link = line.text("link");
    if (!link.empty() && !makeLink(link, terminal.portPath()))
        return 1;
    std::cout << "port: " << terminal.portPath() << std::endl;
    if (!link.empty())
        std::cout << "link: " << link << " -> " << terminal.portPath() << std::endl;
    std::cout << "seed: " << options.seed << std::endl;

    catchInterrupts();
    ReceiverSimulator simulator(terminal, options, std::cout);
    simulator.run(interrupted);
    if (!link.empty())
        removeLinkTo(link, terminal.portPath());

    const SimulatorTotals &totals = simulator.totals();
    std::cout << "totals: sent=" << totals.sent << " acknowledged=" << totals.acknowledged
              << " resent=" << totals.resent << " given_up=" << totals.givenUp
              << " heartbeats_answered=" << totals.heartbeatsAnswered << std::endl;
    return 0;
}
