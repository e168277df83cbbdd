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
// Each layer and the layers it may include besides itself. A folder nested in
// another layer's folder is a layer of its own: the workbook files know nothing
// of the history, and the shared controls nothing of the windows' logic.
const std::map<std::string, std::set<std::string>> AllowedLayers = {
    {"base", {}},
    {"data", {"base"}},
    {"receiver", {"base"}},
    {"calls", {"base", "data", "receiver"}},
    {"reports/xls", {"base"}},
    {"reports", {"base", "data", "calls", "reports/xls"}},
    {"board", {"base", "data", "receiver", "calls"}},
    {"central", {"base", "data"}},
    {"ui/controls", {"base"}},
    {"ui", {"base", "data", "receiver", "calls", "reports", "reports/xls", "board", "central", "ui/controls"}},
    {"site", {"base", "data", "receiver", "calls", "reports", "reports/xls", "board", "central", "ui", "ui/controls"}},
    {"shell", {"base", "data", "receiver", "calls", "reports", "reports/xls", "board", "central", "ui", "ui/controls", "site"}},
};

// The layer whose folder is the longest prefix of a path below src/, or empty.
std::string layerOf(const std::string &path)
{
    std::string best;
    for (const auto &[layer, allowed] : AllowedLayers) {
        const bool inside = path.size() > layer.size() && path.compare(0, layer.size(), layer) == 0
            && path[layer.size()] == '/';
        if (inside && layer.size() > best.size())
            best = layer;
    }
    return best;
}

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
    const std::string rest = line.substr(start + directive.size());
    const auto quote = rest.find('"');
    if (quote == std::string::npos)
        return {};
    return layerOf(rest.substr(0, quote));
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
        const std::string layer = layerOf(relative.generic_string());
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
        {"  #include \"ui/controls/TimeUI.h\"", "ui/controls"},
        {"#include \"ui/CallListModel.h\"", "ui"},
        {"#include \"reports/xls/Workbook.h\"", "reports/xls"},
        {"#include \"reports/HistoryRows.h\"", "reports"},
        {"#include \"uix/Thing.h\"", ""},
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
