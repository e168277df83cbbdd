#include <algorithm>
#include <cstdlib>
#include <optional>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "shell/AutostartEntry.h"
#include "support/ChildProcess.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"

namespace fs = std::filesystem;

namespace
{
// Sets an environment variable for the life of the object.
class ScopedVariable
{
public:
    ScopedVariable(const char *name, const char *value)
        : m_name {name}
    {
        if (const char *old = std::getenv(name))
            m_old = old;
        ::setenv(name, value, 1);
    }
    ~ScopedVariable()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

std::string onPath(const std::string &program)
{
    std::istringstream folders(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string path = folder + "/" + program;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

// What desktop-file-validate says of the file: empty when it finds nothing
// to complain about, not even a hint.
std::string validatorComplaints(const std::string &path)
{
    const std::string validator = onPath("desktop-file-validate");
    if (validator.empty())
        return "desktop-file-validate is missing: scripts/install-deps installs it";
    ChildProcess check({validator, path}, ChildProcess::Errors::WithOutput);
    const std::optional<int> exitCode = check.finish();
    if (exitCode != 0)
        return "exit code " + std::to_string(exitCode.value_or(-1)) + ": " + check.output();
    return check.output();
}

std::string execLine(const std::string &text)
{
    const auto at = text.find("\nExec=");
    if (at == std::string::npos)
        return {};
    const auto start = at + 6;
    return text.substr(start, text.find('\n', start) - start);
}

std::vector<std::string> entriesIn(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void writeEntry(const std::string &path, const std::string &exec)
{
    writeFile(path, "[Desktop Entry]\nType=Application\nName=Other\nExec=" + exec + "\n");
}

class AutostartEntryTest : public ::testing::Test
{
protected:
    // A program file of the test's own, so that paths to it can be told
    // from paths to others.
    AutostartEntryTest()
    {
        fs::create_directories(m_home.file("opt/call desk"));
        writeFile(program(), "#!/bin/sh\n");
        ::chmod(program().c_str(), 0755);
    }

    std::string program() const { return m_home.file("opt/call desk/calldesk"); }
    std::string autostart() const { return m_home.file("config/autostart/"); }
    AutostartProgram desk(const std::string &dataFolder = {}) const { return {program(), dataFolder, ""}; }

    TempFolder m_home;
    ScopedVariable m_config {"XDG_CONFIG_HOME", m_home.file("config").c_str()};
};
}

TEST_F(AutostartEntryTest, FolderFollowsAnAbsoluteXdgConfigHome)
{
    EXPECT_EQ(m_home.file("config/autostart/"), AutostartEntry::folder());
    ScopedVariable home("HOME", m_home.path().c_str());
    ScopedVariable relative("XDG_CONFIG_HOME", "config");
    EXPECT_EQ(m_home.path() + ".config/autostart/", AutostartEntry::folder());
    ScopedVariable empty("XDG_CONFIG_HOME", "");
    EXPECT_EQ(m_home.path() + ".config/autostart/", AutostartEntry::folder());
}

TEST(AutostartEntryName, TitlesBecomeFileNames)
{
    const struct
    {
        std::string title;
        std::string name;
    } cases[] = {
        {"Wireless call system", "Wireless call system.desktop"},
        {"无线呼叫系统", "无线呼叫系统.desktop"},
        {"Bar/Terrace", "Bar_Terrace.desktop"},
        {"../../.bashrc", "_._.._.bashrc.desktop"},
        {"..", "_..desktop"},
        {".hidden", "_hidden.desktop"},
        {"line\nbreak\ttab\x7f", "line_break_tab_.desktop"},
        {"", "calldesk.desktop"},
        {"back\\slash: *?", "back\\slash: *?.desktop"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.name, AutostartEntry::fileNameFor(c.title)) << c.title;

    // 100 Chinese characters of three bytes each: cut whole, within a name's 255 bytes.
    std::string longTitle;
    for (int i = 0; i < 100; ++i)
        longTitle += "呼";
    const std::string name = AutostartEntry::fileNameFor(longTitle);
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(std::string(80 * 3, ' ').size() + 8, name.size());
    EXPECT_EQ(0u, name.find("呼呼"));
    EXPECT_TRUE(name.ends_with("呼.desktop"));
}

// The quoting rules of Exec in a desktop entry (freedesktop.org),
// written out by hand: a reserved character puts the argument in quotes, in
// which " ` $ \ take a backslash; "%" is doubled; the file's own escapes then
// double every backslash once more.
TEST(AutostartEntryExec, QuotesAsTheDesktopEntryRulesSay)
{
    const struct
    {
        std::string program;
        std::string dataFolder;
        std::string exec;
    } cases[] = {
        {"/usr/bin/calldesk", "", "/usr/bin/calldesk"},
        {"/usr/bin/calldesk", "/srv/desk/", "/usr/bin/calldesk --data-dir /srv/desk/"},
        {"/opt/call desk/calldesk", "/srv/data 1/", R"("/opt/call desk/calldesk" --data-dir "/srv/data 1/")"},
        {"/opt/a\"b/calldesk", "", R"("/opt/a\\"b/calldesk")"},
        {"/opt/a$b`c/calldesk", "", R"("/opt/a\\$b\\`c/calldesk")"},
        {"/opt/a\\b/calldesk", "", R"("/opt/a\\\\b/calldesk")"},
        {"/opt/100%/calldesk", "/d/50%/", "/opt/100%%/calldesk --data-dir /d/50%%/"},
        {"/opt/it's/calldesk", "", R"("/opt/it's/calldesk")"},
        {"/opt/a\tb/calldesk", "", R"("/opt/a\tb/calldesk")"},
    };
    for (const auto &c : cases) {
        const std::string text = AutostartEntry::entryText("Desk", {c.program, c.dataFolder, ""});
        EXPECT_EQ(c.exec, execLine(text)) << c.program;
        std::vector<std::string> expected {c.program};
        if (!c.dataFolder.empty())
            expected.insert(expected.end(), {"--data-dir", c.dataFolder});
        EXPECT_EQ(expected, AutostartEntry::execArguments(execLine(text)).value_or(std::vector<std::string> {}))
            << c.program;
    }
}

TEST(AutostartEntryExec, ReadsTheExecLinesOfOtherPrograms)
{
    using Arguments = std::vector<std::string>;
    EXPECT_EQ((Arguments {"/usr/bin/foo", "%U"}), AutostartEntry::execArguments("/usr/bin/foo %U"));
    EXPECT_EQ((Arguments {"foo bar", "--x"}), AutostartEntry::execArguments(R"("foo bar"   --x)"));
    EXPECT_EQ((Arguments {"env", "A=1", "/x"}), AutostartEntry::execArguments("env A=1 /x"));
    // The value's escapes go first: an escaped space still parts arguments.
    EXPECT_EQ((Arguments {"/a", "b"}), AutostartEntry::execArguments(R"(/a\sb)"));
    EXPECT_EQ((Arguments {"/a b"}), AutostartEntry::execArguments(R"("/a\sb")"));
    EXPECT_EQ(Arguments {}, AutostartEntry::execArguments(""));
    EXPECT_EQ(std::nullopt, AutostartEntry::execArguments(R"("/never/closed)"));
}

TEST(AutostartEntryExec, FindsExecInTheDesktopEntryGroupOnly)
{
    const struct
    {
        const char *text;
        std::optional<std::string> exec;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=/usr/bin/a --b\n", "/usr/bin/a --b"},
        {"[Desktop Entry]\r\nExec = /usr/bin/a\r\n", "/usr/bin/a"},
        {"Exec=/before/any/group\n[Desktop Entry]\nName=x\n", std::nullopt},
        {"[Desktop Action new]\nExec=/usr/bin/a\n[Desktop Entry]\nName=x\n", std::nullopt},
        {"[Desktop Entry]\nExec[de]=/usr/bin/de\nExecutable=/no\nExec=/usr/bin/a", "/usr/bin/a"},
        {"", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.exec, AutostartEntry::execValue(c.text)) << c.text;
}

TEST_F(AutostartEntryTest, WritesAValidEntryInAFolderItMakes)
{
    const struct
    {
        std::string title;
        std::string dataFolder;
        std::string icon;
    } cases[] = {
        {"Wireless call system", "", ""},
        {"无线呼叫系统", "/srv/desk data/", "/srv/desk data/calldesk.png"},
        {" Bar/Terrace\tdesk \\ 100%", "/srv/$HOME \"quoted\"/", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        std::string error;
        const AutostartProgram started {program(), c.dataFolder, c.icon};
        const auto path = AutostartEntry::write(AutostartEntry::folder(), c.title, started, error);
        ASSERT_TRUE(path) << error;
        EXPECT_EQ(autostart() + AutostartEntry::fileNameFor(c.title), *path);
        EXPECT_EQ(AutostartEntry::entryText(c.title, started), readFile(*path));
        EXPECT_EQ("", validatorComplaints(*path));
        struct stat info {};
        ASSERT_EQ(0, ::stat(path->c_str(), &info));
        EXPECT_EQ(0644u, info.st_mode & 0777u);
        EXPECT_TRUE(AutostartEntry::startsProgram(*path, program()));
    }
    EXPECT_EQ(3u, entriesIn(autostart()).size()) << "no temporary file is left behind";

    const std::string text = readFile(autostart() + "无线呼叫系统.desktop");
    EXPECT_NE(std::string::npos, text.find("\nName=无线呼叫系统\n"));
    EXPECT_NE(std::string::npos, text.find("\nPath=" + m_home.file("opt/call desk/") + "\n"));
    EXPECT_NE(std::string::npos, text.find("\nIcon=/srv/desk data/calldesk.png\n"));
    EXPECT_NE(std::string::npos, text.find("\nType=Application\n"));
    EXPECT_NE(std::string::npos, readFile(autostart() + " Bar_Terrace_desk \\ 100%.desktop").find("\nName=\\sBar/Terrace\\tdesk \\\\ 100%\n"));
}

// Another program's entry under the same name stays; the desk's own entry
// is written over.
TEST_F(AutostartEntryTest, KeepsAnotherProgramsEntryOfTheSameName)
{
    fs::create_directories(autostart());
    writeEntry(autostart() + "Front desk.desktop", "/usr/bin/other-desk");
    std::string error;
    const auto first = AutostartEntry::write(autostart(), "Front desk", desk(), error);
    ASSERT_TRUE(first) << error;
    EXPECT_EQ(autostart() + "Front desk-2.desktop", *first);
    const auto again = AutostartEntry::write(autostart(), "Front desk", desk("/srv/new/"), error);
    ASSERT_TRUE(again) << error;
    EXPECT_EQ(*first, *again);
    EXPECT_NE(std::string::npos, readFile(*again).find("--data-dir /srv/new/"));
    EXPECT_EQ((std::vector<std::string> {"Front desk-2.desktop", "Front desk.desktop"}), entriesIn(autostart()));
    EXPECT_NE(std::string::npos, readFile(autostart() + "Front desk.desktop").find("other-desk"));
}

// Two entries start this program (one through a link to it), whatever
// their names; one starts another program, one is not an entry at all, one
// has no Exec: only the two go.
TEST_F(AutostartEntryTest, RemovesEveryEntryOfThisProgramAndNoOther)
{
    std::string error;
    ASSERT_TRUE(AutostartEntry::write(autostart(), "Front desk", desk(), error)) << error;
    fs::create_symlink(program(), m_home.file("desk-link"));
    writeEntry(autostart() + "renamed.desktop", "\"" + m_home.file("desk-link") + "\" --data-dir /srv/x/");
    writeEntry(autostart() + "other.desktop", "/usr/bin/other " + program());
    writeEntry(autostart() + "notes.txt", program());
    writeFile(autostart() + "broken.desktop", "[Desktop Entry]\nType=Application\nName=Broken\n");

    std::vector<std::string> removed;
    ASSERT_TRUE(AutostartEntry::removeFor(autostart(), program(), removed, error)) << error;
    std::sort(removed.begin(), removed.end());
    EXPECT_EQ((std::vector<std::string> {autostart() + "Front desk.desktop", autostart() + "renamed.desktop"}), removed);
    EXPECT_EQ((std::vector<std::string> {"broken.desktop", "notes.txt", "other.desktop"}), entriesIn(autostart()));

    removed.clear();
    EXPECT_TRUE(AutostartEntry::removeFor(m_home.file("nowhere/"), program(), removed, error));
    EXPECT_TRUE(removed.empty());
}

// A folder the user may not change: writing and removing both say why, and
// the entry stays (a desk user, not root, meets this).
TEST_F(AutostartEntryTest, RefusedFolderSaysWhy)
{
    std::string error;
    ASSERT_TRUE(AutostartEntry::write(autostart(), "Front desk", desk(), error)) << error;
    openToAll(m_home.path());
    openToAll(m_home.file("config"));
    ::chmod(autostart().c_str(), 0555);
    const int outcome = runUnprivileged([&] {
        std::string refusal;
        std::vector<std::string> removed;
        if (AutostartEntry::removeFor(autostart(), program(), removed, refusal) || !removed.empty())
            return 1;
        if (refusal.find("Front desk.desktop: Permission denied") == std::string::npos)
            return 2;
        refusal.clear();
        if (AutostartEntry::write(autostart(), "Second", desk(), refusal))
            return 3;
        return refusal.find("Permission denied") == std::string::npos ? 4 : 0;
    });
    ::chmod(autostart().c_str(), 0755);
    EXPECT_EQ(0, outcome);
    EXPECT_EQ(std::vector<std::string> {"Front desk.desktop"}, entriesIn(autostart()));
}
