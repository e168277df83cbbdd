#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A workbook as Python's xlrd reads it: the independent reader the tests
// hold our workbooks against.
struct XlrdCell
{
    std::string kind; // "text", "number", ...
    std::string value;
};

struct XlrdSheet
{
    std::string name;
    int rows = 0;
    int columns = 0;
    std::map<std::pair<int, int>, XlrdCell> cells;

    // The text of a cell; "" for an empty one.
    std::string text(int row, int column) const;
    bool has(int row, int column) const { return cells.count({row, column}) != 0; }
};

struct XlrdBook
{
    std::vector<XlrdSheet> sheets;
    std::string error; // xlrd's complaint when it could not read the file
};

// Empty when /usr/bin/python3 has no xlrd: the caller skips, saying why.
std::optional<std::string> xlrdMissing();

XlrdBook readWithXlrd(const std::string &path);

#define SKIP_WITHOUT_XLRD()                                                                                           \
    do {                                                                                                              \
        if (const auto missing = xlrdMissing())                                                                       \
            GTEST_SKIP() << *missing;                                                                                 \
    } while (0)
