// The version of the build, and the script that finds it in the source tree.
#include <cstdlib>
#include <string>
#include <vector>

#include <Poco/File.h>
#include <gtest/gtest.h>

#include "base/BuildVersion.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"

namespace
{
std::string fromEnvironment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

class BuildVersionScript : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_cmake.empty()) << "CALLDESK_CMAKE is not set";
        ASSERT_FALSE(m_git.empty()) << "CALLDESK_GIT is not set: git is missing (scripts/install-deps)";
    }

    // The version the script writes for a source tree, or what went wrong.
    std::string versionOf(const std::string &source, const std::string &git)
    {
        const std::string output = m_out.file("BuildVersion.cpp");
        const std::string script = fromEnvironment("CALLDESK_SOURCE_DIR") + "/cmake/BuildVersion.cmake";
        ChildProcess cmake({m_cmake, "-DSOURCE_DIR=" + source, "-DOUTPUT=" + output, "-DVERSION=1.2.3",
                            "-DGIT_EXECUTABLE=" + git, "-P", script},
                           ChildProcess::Errors::WithOutput);
        if (cmake.finish() != 0)
            return "failed: " + cmake.output();
        const std::string text = readFile(output);
        const std::string::size_type begin = text.find("return \"");
        const std::string::size_type end = text.find("\";", begin);
        if (begin == std::string::npos || end == std::string::npos)
            return "no version in: " + text;
        return text.substr(begin + 8, end - begin - 8);
    }

    // Runs git in the repository; its first line of output.
    std::string git(const std::vector<std::string> &arguments)
    {
        std::vector<std::string> command {m_git, "-C", m_repo.path(), "-c", "user.name=calldesk", "-c",
                                          "user.email=calldesk@example.invalid"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        ChildProcess run(command, ChildProcess::Errors::WithOutput);
        const auto code = run.finish();
        EXPECT_EQ(std::optional<int>(0), code) << run.output();
        return run.lines().empty() ? "" : run.lines().front();
    }

    std::string m_cmake = fromEnvironment("CALLDESK_CMAKE");
    std::string m_git = fromEnvironment("CALLDESK_GIT");
    TempFolder m_out;
    TempFolder m_repo;
};

TEST_F(BuildVersionScript, DescribesACheckoutAndNeverFails)
{
    EXPECT_EQ("1.2.3", versionOf(m_repo.path(), m_git)) << "not a checkout";

    git({"init", "-q"});
    writeFile(m_repo.file("notes.txt"), "one\n");
    git({"add", "notes.txt"});
    git({"commit", "-q", "-m", "first"});
    const std::string commit = git({"rev-parse", "--short", "HEAD"});
    ASSERT_FALSE(commit.empty());
    EXPECT_EQ("1.2.3 (" + commit + ")", versionOf(m_repo.path(), m_git));

    writeFile(m_repo.file("notes.txt"), "two\n");
    EXPECT_EQ("1.2.3 (" + commit + "-dirty)", versionOf(m_repo.path(), m_git)) << "uncommitted changes";

    git({"commit", "-q", "-a", "-m", "second"});
    git({"tag", "v1.2.3"});
    EXPECT_EQ("1.2.3 (v1.2.3)", versionOf(m_repo.path(), m_git));

    EXPECT_EQ("1.2.3", versionOf(m_repo.path(), "/nonexistent/git")) << "git missing";
    EXPECT_EQ("1.2.3", versionOf(m_repo.path(), "")) << "git not found at configure time";

    // A source tree unpacked inside another repository is not that one's.
    const std::string inner = m_repo.file("unpacked");
    Poco::File(inner).createDirectories();
    EXPECT_EQ("1.2.3", versionOf(inner, m_git));
}

TEST(BuildVersion, StartsWithTheProjectsVersion)
{
    const std::string project = fromEnvironment("CALLDESK_PROJECT_VERSION");
    ASSERT_FALSE(project.empty());
    const std::string version = buildVersion();
    EXPECT_EQ(project, version.substr(0, project.size())) << version;
}
}
