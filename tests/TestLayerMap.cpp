// The layers of src/ include only the layers below them.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{
// Each layer and the layers it may include besides itself.
const std::map<std::string, std::set<std::string>> AllowedLayers = {
    {"base", {}},
    {"data", {"base"}},
    {"receiver", {"base"}},
    {"calls", {"base", "data", "receiver"}},
    {"reports", {"base", "data", "calls"}},
    {"central", {"base", "data"}},
    {"ui", {"base", "data", "receiver", "calls", "reports", "central"}},
    {"site", {"base", "data", "receiver", "calls", "reports", "central", "ui"}},
    {"shell", {"base", "data", "receiver", "calls", "reports", "central", "ui", "site"}},
};

fs::path sourceFolder()
{
    const char *top = std::getenv("CALLDESK_SOURCE_DIR");
    return fs::path(top ? top : ".") / "src";
}

// The layer named by `#include "layer/..."`, or empty for any other line.
std::string includedLayer(const std::string &line)
{
    const std::string directive = "#include \"";
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, directive.size(), directive) != 0)
        return {};
    const std::string path = line.substr(start + directive.size());
    const auto slash = path.find('/');
    const auto quote = path.find('"');
    if (slash == std::string::npos || quote < slash)
        return {};
    return path.substr(0, slash);
}

TEST(LayerMap, IncludesPointDownOnly)
{
    const fs::path src = sourceFolder();
    ASSERT_TRUE(fs::is_directory(src)) << src;
    std::vector<std::string> violations;
    std::size_t filesRead = 0;
    for (const auto &entry : fs::recursive_directory_iterator(src)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            continue;
        const fs::path relative = fs::relative(entry.path(), src);
        const std::string layer = relative.begin()->string();
        const auto allowed = AllowedLayers.find(layer);
        if (allowed == AllowedLayers.end()) {
            violations.push_back(relative.string() + ": in no layer");
            continue;
        }
        ++filesRead;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const std::string included = includedLayer(line);
            if (included.empty() || included == layer || allowed->second.count(included))
                continue;
            if (AllowedLayers.count(included))
                violations.push_back(relative.string() + ":" + std::to_string(number) + ": " + line);
        }
    }
    EXPECT_GT(filesRead, 0u);
    for (const std::string &violation : violations)
        ADD_FAILURE() << violation;
}

TEST(LayerMap, ReadsTheLayerOfAnInclude)
{
    const struct
    {
        const char *line;
        const char *layer;
    } cases[] = {
        {"#include \"data/DbManage.h\"", "data"},
        {"  #include \"ui/controls/TimeUI.h\"", "ui"},
        {"#include \"ui_main.h\"", ""},
        {"#include <QWidget>", ""},
        {"// #include \"shell/X.h\"", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.layer, includedLayer(c.line));
    }
}
}
