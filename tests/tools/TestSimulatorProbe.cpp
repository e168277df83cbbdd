// The companion tool end to end: a simulated receiver on a pseudo-terminal
// and the probe on its port, as two processes.
#include <map>
#include <optional>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace
{
std::string toolPath()
{
    return builtProgram("calldesk-tool");
}

std::vector<std::string> wordsOf(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The name=number fields of a line.
std::map<std::string, long> numbersOf(const std::string &line)
{
    std::map<std::string, long> numbers;
    for (const std::string &word : wordsOf(line)) {
        const std::size_t equals = word.find('=');
        if (equals != std::string::npos && equals + 1 < word.size()
            && word.find_first_not_of("0123456789", equals + 1) == std::string::npos)
            numbers[word.substr(0, equals)] = std::stol(word.substr(equals + 1));
    }
    return numbers;
}

// A probe line for a call or cancel frame: "DATE TIME call pager=.. key=..
// seq=.. receiver=.. new|repeat".
struct ProbeFrame
{
    long sequence;
    bool repeat;
};

std::optional<ProbeFrame> probeFrameOf(const std::string &line)
{
    const std::vector<std::string> words = wordsOf(line);
    if (words.size() < 8 || (words[2] != "call" && words[2] != "cancel"))
        return std::nullopt;
    const std::map<std::string, long> numbers = numbersOf(line);
    if (!numbers.contains("seq") || (words.back() != "new" && words.back() != "repeat"))
        return std::nullopt;
    return ProbeFrame {numbers.at("seq"), words.back() == "repeat"};
}

TEST(SimulatorProbe, EveryFrameIsAcknowledgedAndHandledOnce)
{
    TempFolder folder;
    const std::string link = folder.file("ttySIM0");
    const int calls = 12;
    ChildProcess simulator({toolPath(), "simulate", "--count", std::to_string(calls), "--rate", "40", "--pagers",
                            "4", "--cancel-after", "0.05", "--seed", "11", "--link", link});
    ASSERT_TRUE(simulator.started());
    ASSERT_TRUE(simulator.lineContaining("link: "));
    // Nobody reads the port yet: the first frame goes unacknowledged and is
    // sent again, which the totals must count.
    ASSERT_TRUE(simulator.lineContaining(" resend "));

    ChildProcess probe({toolPath(), "probe", link});
    ASSERT_TRUE(probe.started());
    const std::optional<std::string> totalsLine = simulator.lineContaining("totals: ");
    ASSERT_TRUE(totalsLine);
    EXPECT_EQ(0, simulator.finish());

    const std::map<std::string, long> totals = numbersOf(*totalsLine);
    EXPECT_GE(totals.at("sent"), calls + 1);  // every call, and at least one cancel
    EXPECT_EQ(totals.at("sent"), totals.at("acknowledged"));
    EXPECT_GE(totals.at("resent"), 1);
    EXPECT_EQ(0, totals.at("given_up"));

    ASSERT_TRUE(probe.lineContaining("status "));
    probe.interrupt();
    EXPECT_EQ(0, probe.finish());

    // Each frame the simulator sent appears once as new; resends the probe
    // saw are marked as repeats.
    std::set<long> handled;
    long newFrames = 0;
    long repeats = 0;
    for (const std::string &line : probe.lines()) {
        const std::optional<ProbeFrame> frame = probeFrameOf(line);
        if (!frame)
            continue;
        if (frame->repeat) {
            ++repeats;
            EXPECT_TRUE(handled.contains(frame->sequence)) << line;
            continue;
        }
        ++newFrames;
        EXPECT_TRUE(handled.insert(frame->sequence).second) << "handled twice: " << line;
    }
    EXPECT_EQ(totals.at("sent"), newFrames);
    EXPECT_LE(repeats, totals.at("resent"));
    const std::optional<std::string> summary = probe.lineContaining("frames: ");
    ASSERT_TRUE(summary);
    const std::map<std::string, long> counted = numbersOf(*summary);
    EXPECT_EQ(newFrames + repeats, counted.at("calls") + counted.at("cancels"));
}

TEST(SimulatorProbe, ToolRefusesBadArgumentsAndExplainsItself)
{
    struct Case
    {
        std::vector<std::string> arguments;
        int exitCode;
    };
    const Case cases[] = {
        {{"--help"}, 0},
        {{"simulate", "--help"}, 0},
        {{"probe", "--help"}, 0},
        {{"ports", "--help"}, 0},
        {{}, 2},
        {{"teleport"}, 2},
        {{"simulate", "--rate", "fast"}, 2},
        {{"simulate", "--pagers", "0"}, 2},
        {{"simulate", "--no-such-option"}, 2},
        {{"probe"}, 2},
        {{"probe", "/dev/calldesk-no-such-port"}, 1},
    };
    for (const Case &c : cases) {
        std::vector<std::string> arguments = {toolPath()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments.front() + " " + c.arguments.back());
        ChildProcess tool(arguments);
        ASSERT_TRUE(tool.started());
        EXPECT_EQ(c.exitCode, tool.finish());
        if (c.exitCode == 0) {
            EXPECT_FALSE(tool.lines().empty());
        }
    }
}

TEST(SimulatorProbe, PortsListsAFolderOfLinks)
{
    TempFolder folder;
    ChildProcess simulator({toolPath(), "simulate", "--rate", "0", "--link", folder.file("ttyUSB7")});
    ASSERT_TRUE(simulator.lineContaining("link: "));
    ChildProcess ports({toolPath(), "ports", "--folder", folder.path()});
    EXPECT_EQ(0, ports.finish());
    EXPECT_EQ(std::vector<std::string> {folder.file("ttyUSB7")}, ports.lines());
    simulator.interrupt();
    EXPECT_EQ(0, simulator.finish());
}

TEST(SimulatorProbe, AMutedSimulatorAnswersNothing)
{
    TempFolder folder;
    const std::string link = folder.file("ttySIM0");
    ChildProcess simulator({toolPath(), "simulate", "--rate", "0", "--mute-after", "0", "--link", link});
    ASSERT_TRUE(simulator.lineContaining("link: "));
    ChildProcess probe({toolPath(), "probe", link});
    // The probe asks for a heartbeat at its start and every 2 s after.
    ASSERT_TRUE(probe.lineContaining("status Connection failed"));
    simulator.interrupt();
    EXPECT_EQ(0, simulator.finish());
    const std::optional<std::string> totals = simulator.lineContaining("totals: ");
    ASSERT_TRUE(totals);
    EXPECT_EQ(0, numbersOf(*totals).at("heartbeats_answered"));
    probe.interrupt();
    EXPECT_EQ(0, probe.finish());
}
}
