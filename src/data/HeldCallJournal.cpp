#include "data/HeldCallJournal.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/DataFolder.h"
#include "data/DbManage.h"

namespace
{
constexpr const char *Header = "calldesk held calls 1";
// key, ID, CallTime, ProcessTime, TimeOut, EmpID, EmpName, SevStatus,
// SevTotalSeconds (microseconds), SevType, PagerNum, PagerName, Zone, Remark.
constexpr std::size_t FieldCount = 14;

struct Entry
{
    std::uint64_t key = 0;
    CCall call;
};

// Texts keep their tabs and line breaks, escaped, so that a call is one line
// and its fields are split at tabs.
void appendEscaped(std::string &line, const std::string &text)
{
    for (const char c : text) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}

std::optional<std::string> unescaped(std::string_view field)
{
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        switch (field[i]) {
        case '\\':
            text += '\\';
            break;
        case 't':
            text += '\t';
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return text;
}

template <typename Number>
bool readNumber(const std::string &field, Number &value)
{
    const char *end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    return error == std::errc() && stop == end;
}

std::string lineOf(std::uint64_t key, const CCall &call)
{
    std::string line = std::to_string(key);
    const auto field = [&line](const std::string &text) {
        line += '\t';
        appendEscaped(line, text);
    };
    field(std::to_string(call.ID));
    field(utcText(call.CallTime));
    field(utcText(call.ProcessTime));
    field(call.TimeOut ? "1" : "0");
    field(call.EmpID);
    field(call.EmpName);
    field(std::to_string(call.SevStatus));
    field(std::to_string(call.SevTotalSeconds.totalMicroseconds()));
    field(call.SevType);
    field(call.PagerNum);
    field(call.PagerName);
    field(call.Zone);
    field(call.Remark);
    return line + '\n';
}

std::optional<Entry> entryOf(const std::string &line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        const auto text = unescaped(std::string_view(line).substr(start, tab - start));
        if (!text)
            return std::nullopt;
        fields.push_back(*text);
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    if (fields.size() != FieldCount)
        return std::nullopt;
    Entry entry;
    CCall &call = entry.call;
    const auto callTime = localFromUtcText(fields[2]);
    const auto processTime = localFromUtcText(fields[3]);
    Poco::Timespan::TimeDiff serviceMicroseconds = 0;
    if (!readNumber(fields[0], entry.key) || !readNumber(fields[1], call.ID) || !callTime || !processTime
        || (fields[4] != "0" && fields[4] != "1") || !readNumber(fields[7], call.SevStatus)
        || !readNumber(fields[8], serviceMicroseconds))
        return std::nullopt;
    call.CallTime = *callTime;
    call.ProcessTime = *processTime;
    call.TimeOut = fields[4] == "1";
    call.EmpID = fields[5];
    call.EmpName = fields[6];
    call.SevTotalSeconds = Poco::Timespan(serviceMicroseconds);
    call.SevType = fields[9];
    call.PagerNum = fields[10];
    call.PagerName = fields[11];
    call.Zone = fields[12];
    call.Remark = fields[13];
    return entry;
}

// The last state of each key, in the order the keys first came.
std::optional<std::vector<Entry>> readEntries(const std::string &path, std::string &error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::stringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    const std::string text = content.str();
    std::vector<Entry> entries;
    std::size_t start = 0;
    bool headerSeen = false;
    // Only whole lines: a crash may cut the last one short.
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!headerSeen) {
            if (line != Header) {
                error = path + ": not a journal of held calls";
                return std::nullopt;
            }
            headerSeen = true;
            continue;
        }
        auto entry = entryOf(line);
        if (!entry) {
            logEvent(path + ": a line that is no call is passed over");
            continue;
        }
        auto same = std::find_if(entries.begin(), entries.end(),
                                 [&entry](const Entry &known) { return known.key == entry->key; });
        if (same == entries.end())
            entries.push_back(std::move(*entry));
        else
            *same = std::move(*entry);
    }
    return entries;
}

bool writeWhole(int fd, const std::string &text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += std::size_t(n);
    }
    return true;
}

// A new file's name is on disk only once its folder is.
void syncFolderOf(const std::string &path)
{
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

std::string describe(const CCall &call)
{
    std::string text = "pager " + call.PagerNum + " called " + localText(call.CallTime);
    text += call.isAnswered() ? ", answered " + localText(call.ProcessTime) : std::string(", not answered");
    if (!call.Remark.empty())
        text += ", remark \"" + call.Remark + "\"";
    return text;
}
}

std::string HeldCallJournal::pathIn(const std::string &folder)
{
    return withTrailingSeparator(folder) + FileName;
}

HeldCallJournal::HeldCallJournal(std::string path)
    : m_path {std::move(path)}
{
}

// The file stays: calls still in it when the desk goes are stored by the
// next start.
HeldCallJournal::~HeldCallJournal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool HeldCallJournal::open()
{
    if (m_fd >= 0)
        return true;
    m_failed = false;
    m_inherited = false;
    m_nextKey = 1;
    std::error_code missing;
    if (std::filesystem::exists(m_path, missing)) {
        std::string error;
        const auto entries = readEntries(m_path, error);
        if (!entries) {
            logFailure("keep the calls held back in " + m_path, error);
            return false;
        }
        m_inherited = !entries->empty();
        for (const Entry &entry : *entries)
            m_nextKey = std::max(m_nextKey, entry.key + 1);
    }
    m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        logFailure("keep the calls held back in " + m_path, std::strerror(errno));
        return false;
    }
    struct stat status {};
    if (::fstat(m_fd, &status) == 0 && status.st_size == 0
        && (!writeWhole(m_fd, std::string(Header) + '\n') || ::fdatasync(m_fd) != 0)) {
        logFailure("keep the calls held back in " + m_path, std::strerror(errno));
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    syncFolderOf(m_path);
    return true;
}

bool HeldCallJournal::append(std::uint64_t key, const CCall &call)
{
    if (m_fd < 0)
        return false;
    if (writeWhole(m_fd, lineOf(key, call)) && ::fdatasync(m_fd) == 0)
        return true;
    // Logged once: while the disk refuses, every held call would repeat it.
    if (!m_failed)
        logFailure("keep a call held back in " + m_path + " (it is kept in memory only)", std::strerror(errno));
    m_failed = true;
    return false;
}

void HeldCallJournal::close()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    if (m_inherited)
        return;
    if (::unlink(m_path.c_str()) != 0)
        logFailure("remove " + m_path, std::strerror(errno));
}

std::optional<std::vector<CCall>> HeldCallJournal::read(const std::string &path, std::string &error)
{
    auto entries = readEntries(path, error);
    if (!entries)
        return std::nullopt;
    std::vector<CCall> calls;
    calls.reserve(entries->size());
    for (Entry &entry : *entries)
        calls.push_back(std::move(entry.call));
    return calls;
}

HeldCallJournal::Replayed HeldCallJournal::replay(DbManage &db, const std::string &path)
{
    Replayed replayed;
    std::error_code missing;
    if (!std::filesystem::exists(path, missing))
        return replayed;
    const std::string what = "store the calls held back in " + path + " when the last run ended";
    std::string error;
    auto calls = read(path, error);
    if (!calls) {
        logFailure(what, error);
        replayed.ok = false;
        return replayed;
    }
    for (CCall &call : *calls) {
        if (call.ID != 0) {
            if (!db.HoldsCall(call)) {
                logEvent("the history does not hold a call held back when the last run ended; its change is not "
                         "stored: " + describe(call));
                ++replayed.dropped;
                continue;
            }
        } else {
            const auto stored = db.FindStoredCall(call);
            if (!stored) {
                logFailure(what, db.lastFailure());
                replayed.ok = false;
                return replayed;
            }
            call.ID = *stored;
        }
        if (!db.SaveCall(call)) {
            logFailure(what, db.historyError());
            replayed.ok = false;
            return replayed;
        }
        ++replayed.stored;
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        logFailure("remove " + path, std::strerror(errno));
        replayed.ok = false;
    }
    logEvent(std::to_string(replayed.stored) + " call(s) held back when the last run ended are stored in the history");
    return replayed;
}
