#include "reports/XlrdReader.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace
{
constexpr const char *Python = "/usr/bin/python3";

std::string quoted(const std::string &text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string unescape(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> fields(const std::string &line)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return out;
        start = tab + 1;
    }
}

std::string run(const std::string &command, int &status)
{
    std::string output;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return output;
    }
    std::array<char, 1 << 16> buffer;
    std::size_t got = 0;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), got);
    status = ::pclose(pipe);
    return output;
}
}

std::string XlrdSheet::text(int row, int column) const
{
    const auto it = cells.find({row, column});
    return it == cells.end() ? std::string() : it->second.value;
}

std::optional<std::string> xlrdMissing()
{
    int status = 0;
    run(std::string(Python) + " -c 'import xlrd' 2>/dev/null", status);
    if (status == 0)
        return std::nullopt;
    return std::string("skipped: ") + Python + " cannot import xlrd (scripts/install-deps installs python3-xlrd)";
}

XlrdBook readWithXlrd(const std::string &path)
{
    const char *source = std::getenv("CALLDESK_SOURCE_DIR");
    const std::string script = std::string(source ? source : ".") + "/tests/reports/xls_dump.py";
    int status = 0;
    const std::string output = run(std::string(Python) + " " + quoted(script) + " " + quoted(path) + " 2>&1", status);
    XlrdBook book;
    if (status != 0) {
        book.error = output.empty() ? "xlrd failed" : output;
        return book;
    }
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = fields(line);
        if (f[0] == "S" && f.size() == 4) {
            book.sheets.push_back(XlrdSheet {unescape(f[1]), std::stoi(f[2]), std::stoi(f[3]), {}});
        } else if (f[0] == "C" && f.size() == 5 && !book.sheets.empty()) {
            book.sheets.back().cells[{std::stoi(f[1]), std::stoi(f[2])}] = XlrdCell {f[3], unescape(f[4])};
        } else {
            book.error = "unexpected line from xlrd: " + line;
            return book;
        }
    }
    return book;
}
