// Where a desk without --data-dir keeps its data.
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "data/DataFolder.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"

namespace
{
TEST(DataFolder, ProgramFolderHoldsDataOnlyWhenAPortableCopy)
{
    TempFolder portable;
    const struct
    {
        const char *name;
        std::string folder;
        bool portable;
    } cases[] = {
        {"a writable folder of its own", portable.path(), true},
        // Root can write these: the test run as root is the one that matters.
        {"the system's programs", "/usr/bin/", false},
        {"the local programs", "/usr/local/bin/", false},
        {"the base programs", "/bin/", false},
        {"a folder that is gone", portable.file("gone/"), false},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.portable, holdsPortableCopy(row.folder));
    }
}

TEST(DataFolder, ReadOnlyProgramFolderIsNoPortableCopy)
{
    TempFolder installed;
    openToAll(installed.path());
    ASSERT_EQ(0, ::chmod(installed.path().c_str(), 0555));
    EXPECT_EQ(0, runUnprivileged([&] { return holdsPortableCopy(installed.path()) ? 1 : 0; }));
    ::chmod(installed.path().c_str(), 0755);
}
}
