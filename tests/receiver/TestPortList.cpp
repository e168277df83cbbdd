#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "receiver/PortList.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/SerialPortScanner.h"
#include "support/TempFolder.h"

namespace
{
using Names = std::vector<std::string>;

TEST(PortList, DistinctNamesInUtf16CodeUnitOrder)
{
    PortList list;
    for (const char *name : {"/dev/ttyS3", "/dev/ttyUSB0", "/dev/ttyS12", "/dev/ttyACM0", "/dev/ttyS3"})
        list.insert(name);
    EXPECT_EQ((Names {"/dev/ttyACM0", "/dev/ttyS12", "/dev/ttyS3", "/dev/ttyUSB0"}), list.names());
    EXPECT_FALSE(list.insert("/dev/ttyS12"));

    // Beyond U+FFFF the two orders differ: a surrogate (0xD83D) sorts below
    // U+FF5E although its UTF-8 bytes sort above.
    list.assign({"/dev/port\xEF\xBD\x9E", "/dev/port\xF0\x9F\x98\x80"});
    EXPECT_EQ((Names {"/dev/port\xF0\x9F\x98\x80", "/dev/port\xEF\xBD\x9E"}), list.names());
}

TEST(PortList, ChangesAgainstThePortsPresent)
{
    PortList list;
    list.assign({"/dev/ttyUSB0", "/dev/ttyUSB1"});
    const PortList::Changes changes = list.changesTo({"/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyACM0"});
    EXPECT_EQ(Names {"/dev/ttyACM0"}, changes.arrived);
    EXPECT_EQ(Names {"/dev/ttyUSB0"}, changes.removed);
    EXPECT_TRUE(list.changesTo(list.names()).arrived.empty());
    EXPECT_TRUE(list.erase("/dev/ttyUSB0"));
    EXPECT_FALSE(list.erase("/dev/ttyUSB0"));
    EXPECT_FALSE(list.contains("/dev/ttyUSB0"));
}

TEST(SerialPortScanner, AFolderListsTheTerminalsLinkedFromIt)
{
    TempFolder folder;
    auto first = std::make_unique<PseudoTerminal>();
    PseudoTerminal second;
    ASSERT_TRUE(first->isOpen() && second.isOpen());
    // Through a link of the test's own: a pseudo-terminal's number is
    // reused at once by whichever process makes the next one, so only the
    // test can make sure the name names nothing.
    TempFolder hops;
    std::filesystem::create_symlink(first->portPath(), hops.file("first"));
    std::filesystem::create_symlink(hops.file("first"), folder.file("ttyUSB1"));
    std::filesystem::create_symlink(second.portPath(), folder.file("ttyUSB0"));
    std::filesystem::create_symlink(folder.file("nowhere"), folder.file("ttyUSB2"));
    writeFile(folder.file("notes.txt"), "not a port");

    const SerialPortScanner scanner(folder.path());
    EXPECT_EQ((Names {folder.file("ttyUSB0"), folder.file("ttyUSB1")}), scanner.scan());

    // Its pseudo-terminal gone, a link no longer names a port.
    first.reset();
    std::filesystem::remove(hops.file("first"));
    EXPECT_EQ(Names {folder.file("ttyUSB0")}, scanner.scan());
    EXPECT_TRUE(SerialPortScanner(folder.file("missing")).scan().empty());
}

TEST(SerialPortScanner, TheMachineListsOnlySerialDevices)
{
    PseudoTerminal terminal;
    const Names ports = SerialPortScanner().scan();
    PortList sorted;
    sorted.assign(ports);
    EXPECT_EQ(sorted.names(), ports);
    for (const std::string &port : ports) {
        SCOPED_TRACE(port);
        EXPECT_TRUE(port.starts_with("/dev/tty") || port.starts_with("/dev/rfcomm")
                    || port.starts_with("/dev/serial/by-id/"));
        EXPECT_NE("/dev/tty", port);
        EXPECT_FALSE(port.starts_with("/dev/tty0") || port.starts_with("/dev/pts/"));
        struct stat info {};
        EXPECT_EQ(0, ::stat(port.c_str(), &info));
        EXPECT_TRUE(S_ISCHR(info.st_mode));
    }
}
}
