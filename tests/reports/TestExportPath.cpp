#include <set>

#include <gtest/gtest.h>

#include "reports/ExportPath.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace
{
struct Case
{
    const char *chosen;
    std::set<std::string> existing;
    const char *expected;
};

TEST(ExportPath, FreeNameBesideAFileThatIsNotAWorkbook)
{
    const Case cases[] = {
        {"/d/report.xls", {"/d/report.xls"}, "/d/report(1).xls"},
        {"/d/report(1).xls", {"/d/report(1).xls"}, "/d/report(2).xls"},
        {"/d/report(1).xls", {"/d/report(1).xls", "/d/report(2).xls"}, "/d/report(3).xls"},
        {"/d/report(1,000).xls", {}, "/d/report(1001).xls"},
        // An inserted "(1)" never replaces a file that is there.
        {"/d/report.xls", {"/d/report.xls", "/d/report(1).xls"}, "/d/report(2).xls"},
        // Brackets that hold no number get the number inside them.
        {"/d/report(abc).xls", {}, "/d/report(abc(1)).xls"},
        {"/d/report().xls", {}, "/d/report((1)).xls"},
        {"/d/report(5.xls", {}, "/d/report(6.xls"},
        {"/d/a.b.xls", {}, "/d/a.b(1).xls"},
        // Only the file name counts: dots and brackets of folders stay.
        {"/d/v1.2/report", {}, "/d/v1.2/report(1)"},
        {"/d/x(3)/report.xls", {}, "/d/x(3)/report(1).xls"},
        {"report.xls", {}, "report(1).xls"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.chosen);
        EXPECT_EQ(c.expected, alternativeExportPath(c.chosen, [&](const std::string &path) {
                      return c.existing.count(path) != 0;
                  }));
    }
}

TEST(ExportPath, DefaultNameIsTheLocalTimeNow)
{
    const FakeClock clock(Poco::LocalDateTime(2024, 3, 9, 7, 5, 1));
    EXPECT_EQ("HISTORY_20240309070501", defaultExportName(clock));
}

TEST(ExportPath, ExportFolderIsMadeInTheDataFolder)
{
    TempFolder folder;
    const std::string exports = exportFolder(folder.path());
    EXPECT_EQ(folder.path() + "BackUP/", exports);
    EXPECT_TRUE(pathExists(exports));
}

TEST(ExportPath, BareFileNameGetsTheWorkbookExtension)
{
    const std::pair<const char *, const char *> cases[] = {
        {"/d/calls", "/d/calls.xls"},
        {"calls", "calls.xls"},
        {"/d/v1.2/calls", "/d/v1.2/calls.xls"},
        {"/d/calls.xls", "/d/calls.xls"},
        {"/d/calls.XLS", "/d/calls.XLS"},
        {"/d/calls.old", "/d/calls.old"},
        {"/d/.calls", "/d/.calls"},
    };
    for (const auto &[chosen, expected] : cases)
        EXPECT_EQ(expected, withWorkbookExtension(chosen)) << chosen;
}

TEST(ExportPath, OfficeLockFileBesideTheChosenFile)
{
    const struct
    {
        const char *lock;
        bool found;
    } cases[] = {
        {".~lock.book.xls#", true},
        {"~$book.xls", true},
        {".~lock.other.xls#", false},
        {"~$book.xlsx", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lock);
        TempFolder folder;
        writeFile(folder.file("book.xls"), "x");
        writeFile(folder.file(c.lock), "lock");
        const std::optional<std::string> lock = officeLockBeside(folder.file("book.xls"));
        ASSERT_EQ(c.found, lock.has_value());
        EXPECT_EQ(c.found ? folder.file(c.lock) : std::string(), lock.value_or(""));
    }
}
}
