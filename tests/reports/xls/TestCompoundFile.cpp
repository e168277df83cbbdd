#include <algorithm>
#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "reports/xls/ByteOrder.h"
#include "reports/xls/CompoundFile.h"

using namespace YExcel;

namespace
{
std::string pattern(std::size_t size, unsigned seed)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        out[i] = char((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
    return out;
}

CfbEntry stream(const std::u16string &name, std::string data)
{
    CfbEntry e;
    e.name = name;
    e.type = CfbEntry::Type::Stream;
    e.data = std::move(data);
    return e;
}

std::string written(const CompoundFile &file, const GeneratedStream *generated = nullptr)
{
    StringSink sink;
    std::string error;
    EXPECT_TRUE(file.write(sink, generated, error)) << error;
    return std::move(sink.bytes());
}

const std::uint8_t *bytes(const std::string &s, std::size_t offset = 0)
{
    return reinterpret_cast<const std::uint8_t *>(s.data()) + offset;
}

GeneratedStream generatedOf(const std::string &content)
{
    return GeneratedStream {u"Workbook", content.size(), [&content](ByteSink &sink) { sink.write(content); }};
}

// Checks one storage's sibling tree in a written directory: search order,
// no red node under a red one, the same black count on every path.
int checkTree(const std::string &file, std::uint32_t id, std::u16string *low, std::u16string *high, bool parentRed,
              int &count)
{
    if (id == 0xFFFFFFFF)
        return 1;
    const std::size_t at = 1024 + std::size_t(id) * 128;
    std::u16string name;
    for (std::size_t k = 0; k + 2 < readU16(bytes(file, at + 64)); k += 2)
        name.push_back(char16_t(readU16(bytes(file, at + k))));
    const bool red = file[at + 67] == 0;
    EXPECT_FALSE(parentRed && red) << "red under red";
    if (low) {
        EXPECT_LT(compareEntryNames(*low, name), 0);
    }
    if (high) {
        EXPECT_GT(compareEntryNames(*high, name), 0);
    }
    ++count;
    const int left = checkTree(file, readU32(bytes(file, at + 68)), low, &name, red, count);
    const int right = checkTree(file, readU32(bytes(file, at + 72)), &name, high, red, count);
    EXPECT_EQ(left, right) << "black heights differ";
    return left + (red ? 0 : 1);
}

TEST(CompoundFile, WrittenTreeReadsBackWithEveryStream)
{
    CompoundFile file;
    file.root().children.push_back(stream(u"Small", pattern(100, 1)));
    file.root().children.push_back(stream(u"UnderCutoff", pattern(4095, 2)));
    file.root().children.push_back(stream(u"AtCutoff", pattern(4096, 3)));
    file.root().children.push_back(stream(u"Empty", ""));
    CfbEntry storage;
    storage.name = u"Sub";
    storage.type = CfbEntry::Type::Storage;
    storage.clsid[3] = 0x42;
    storage.children.push_back(stream(u"\x05Inner", pattern(700, 4)));
    file.root().children.push_back(storage);
    const std::string big = pattern(10000, 5);
    const GeneratedStream generated = generatedOf(big);
    const std::string bytesWritten = written(file, &generated);

    EXPECT_EQ(0, bytesWritten.size() % 512);
    EXPECT_EQ(0x003B, readU16(bytes(bytesWritten, 24)));
    EXPECT_EQ(3, readU16(bytes(bytesWritten, 26)));
    EXPECT_EQ(0u, readU32(bytes(bytesWritten, 76))) << "FAT in sector 0";
    EXPECT_EQ(1u, readU32(bytes(bytesWritten, 48))) << "directory from sector 1";

    CompoundFile back;
    ASSERT_TRUE(back.parse(bytesWritten)) << back.errorString();
    ASSERT_NE(nullptr, back.findStream(u"WORKBOOK"));
    EXPECT_EQ(big, back.findStream(u"Workbook")->data);
    EXPECT_EQ(pattern(100, 1), back.findStream(u"Small")->data);
    EXPECT_EQ(pattern(4095, 2), back.findStream(u"UnderCutoff")->data);
    EXPECT_EQ(pattern(4096, 3), back.findStream(u"AtCutoff")->data);
    EXPECT_EQ("", back.findStream(u"Empty")->data);
    const auto sub = std::find_if(back.root().children.begin(), back.root().children.end(),
                                  [](const CfbEntry &e) { return e.name == u"Sub"; });
    ASSERT_NE(back.root().children.end(), sub);
    EXPECT_EQ(CfbEntry::Type::Storage, sub->type);
    EXPECT_EQ(0x42, sub->clsid[3]);
    ASSERT_EQ(1u, sub->children.size());
    EXPECT_EQ(pattern(700, 4), sub->children[0].data);
}

TEST(CompoundFile, DirectoryIsABalancedRedBlackTree)
{
    for (int streams : {1, 2, 3, 7, 8, 40}) {
        SCOPED_TRACE(streams);
        CompoundFile file;
        for (int i = 0; i < streams; ++i) {
            std::u16string name = u"S";
            for (char c : std::to_string(i * 37 % 101))
                name.push_back(char16_t(c));
            file.root().children.push_back(stream(name, pattern(10, unsigned(i))));
        }
        const std::string out = written(file);
        int count = 0;
        checkTree(out, readU32(bytes(out, 1024 + 76)), nullptr, nullptr, false, count);
        EXPECT_EQ(streams, count);
    }
}

TEST(CompoundFile, LargeStreamNeedsDifatSectors)
{
    // 109 FAT sectors map 109 * 128 sectors of 512 bytes: just under 7 MB.
    const std::string big = pattern(8 * 1024 * 1024, 9);
    const GeneratedStream generated = generatedOf(big);
    const std::string out = written(CompoundFile(), &generated);
    const std::uint32_t fatSectors = readU32(bytes(out, 44));
    EXPECT_GT(fatSectors, 109u);
    EXPECT_GE(readU32(bytes(out, 72)), 1u) << "DIFAT sector count";
    EXPECT_NE(0xFFFFFFFEu, readU32(bytes(out, 68))) << "first DIFAT sector";
    CompoundFile back;
    ASSERT_TRUE(back.parse(out)) << back.errorString();
    ASSERT_NE(nullptr, back.findStream(u"Workbook"));
    EXPECT_TRUE(back.findStream(u"Workbook")->data == big);
}

TEST(CompoundFile, GeneratedStreamThatBreaksItsSizeIsAnError)
{
    const std::string content = pattern(5000, 1);
    GeneratedStream generated = generatedOf(content);
    generated.size = 6000;
    StringSink sink;
    std::string error;
    EXPECT_FALSE(CompoundFile().write(sink, &generated, error));
    EXPECT_FALSE(error.empty());
}

TEST(CompoundFile, DamagedContainersAreRefused)
{
    CompoundFile file;
    file.root().children.push_back(stream(u"A", pattern(300, 1)));
    file.root().children.push_back(stream(u"B", pattern(5000, 2)));
    const std::string good = written(file);
    ASSERT_TRUE(CompoundFile().parse(good));

    const auto putU32At = [](std::string &s, std::size_t offset, std::uint32_t value) { writeU32At(s, offset, value); };
    const std::size_t directory = 1024;
    const struct
    {
        const char *name;
        std::function<void(std::string &)> damage;
    } cases[] = {
        {"empty", [](std::string &s) { s.clear(); }},
        {"cut inside the header", [](std::string &s) { s.resize(100); }},
        {"no signature", [](std::string &s) { s[0] = 'X'; }},
        {"sector size of version 4 in version 3", [](std::string &s) { s[30] = 12; }},
        {"FAT count beyond the file", [&](std::string &s) { putU32At(s, 44, 0x00FFFFFF); }},
        {"FAT sector outside the file", [&](std::string &s) { putU32At(s, 76, 0x7FFFFF); }},
        {"directory outside the file", [&](std::string &s) { putU32At(s, 48, 0x7FFFFF); }},
        {"directory chain loops", [&](std::string &s) { putU32At(s, 512 + 4, 1); }},
        {"directory cycle", [&](std::string &s) { putU32At(s, directory + 128 + 68, 1); }},
        {"directory link outside", [&](std::string &s) { putU32At(s, directory + 76, 5000); }},
        {"stream larger than the file", [&](std::string &s) { putU32At(s, directory + 2 * 128 + 120, 0x7FFFFFF0); }},
        {"unknown entry type", [&](std::string &s) { s[directory + 128 + 66] = 7; }},
        {"name longer than the field", [&](std::string &s) { s[directory + 128 + 64] = char(200); }},
        {"first entry not the root", [&](std::string &s) { s[directory + 66] = 1; }},
        {"mini stream missing", [&](std::string &s) { putU32At(s, directory + 120, 0); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string damaged = good;
        c.damage(damaged);
        CompoundFile back;
        EXPECT_FALSE(back.parse(damaged));
        EXPECT_FALSE(back.errorString().empty());
    }
}
}
