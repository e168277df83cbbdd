#include "shell/AutostartEntry.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
constexpr std::string_view Extension = ".desktop";
constexpr std::string_view FallbackName = "calldesk";
// Room for the extension and a "-N" suffix within the 255 bytes of a name.
constexpr std::size_t LongestStem = 240;
constexpr std::size_t MaxEntrySize = 64 * 1024;
// Characters an argument of Exec may hold only inside quotes.
constexpr std::string_view Reserved = " \t\n\"'\\><~|&;$*?#()`";

std::string systemError(int error)
{
    return std::strerror(error);
}

std::string homeFolder()
{
    if (const char *home = std::getenv("HOME"); home && *home == '/')
        return home;
    if (const passwd *user = ::getpwuid(::getuid()); user && user->pw_dir)
        return user->pw_dir;
    return "/";
}

std::string withSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// The escapes of every string value: backslash, line feed, tab and carriage
// return; a leading space would be dropped by readers, so it is escaped too.
std::string escapedValue(const std::string &text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case ' ':
            out += i == 0 ? "\\s" : " ";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescapedValue(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        switch (text[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            // Not a string escape: Exec's own quoting takes it.
            out += '\\';
            out += text[i];
        }
    }
    return out;
}

// One argument of Exec: "%" stands doubled (a single one begins a field
// code), and an argument with a reserved character goes in double quotes, in
// which ", `, $ and \ take a backslash.
std::string execArgument(const std::string &argument)
{
    std::string plain;
    for (const char c : argument) {
        plain += c;
        if (c == '%')
            plain += '%';
    }
    if (!plain.empty() && plain.find_first_of(Reserved) == std::string::npos)
        return plain;
    std::string quoted = "\"";
    for (const char c : plain) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string folderOf(const std::string &program)
{
    return withSeparator(fs::path(program).parent_path().string());
}

bool sameProgram(const std::string &started, const std::string &program)
{
    if (started == program)
        return true;
    std::error_code error;
    return fs::equivalent(started, program, error) && !error;
}

// Writes the text as the file at path, through a temporary file in the same
// folder renamed over it once it is complete, so that the desktop never
// reads half an entry.
bool writeWhole(const std::string &path, const std::string &text, std::string &error)
{
    std::string temporary = fs::path(path).parent_path().string() + "/.calldesk-entry-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = path + ": " + systemError(errno);
        return false;
    }
    std::size_t written = 0;
    bool ok = ::fchmod(fd, 0644) == 0;
    while (ok && written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            written += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    const int writeError = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    error = path + ": " + systemError(ok ? errno : writeError);
    std::remove(temporary.c_str());
    return false;
}
}

std::string AutostartEntry::folder()
{
    if (const char *config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return withSeparator(config) + "autostart/";
    return withSeparator(homeFolder()) + ".config/autostart/";
}

std::string AutostartEntry::fileNameFor(const std::string &title)
{
    std::string stem;
    for (const char c : title) {
        const auto byte = static_cast<unsigned char>(c);
        stem += (c == '/' || byte < 0x20 || byte == 0x7F) ? '_' : c;
    }
    if (stem.empty())
        stem = FallbackName;
    if (stem.front() == '.')
        stem.front() = '_';
    if (stem.size() > LongestStem) {
        std::size_t cut = LongestStem;
        // Never inside a UTF-8 sequence: back up over continuation bytes.
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem.resize(cut);
    }
    return stem + std::string(Extension);
}

std::string AutostartEntry::entryText(const std::string &title, const AutostartProgram &program)
{
    std::string exec = execArgument(program.program);
    if (!program.dataFolder.empty())
        exec += " --data-dir " + execArgument(program.dataFolder);
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name="
                       + escapedValue(title.empty() ? std::string(FallbackName) : title) + "\n"
                       + "Exec=" + escapedValue(exec) + "\n"
                       + "Path=" + escapedValue(folderOf(program.program)) + "\n";
    if (!program.icon.empty())
        text += "Icon=" + escapedValue(program.icon) + "\n";
    text += "Terminal=false\n";
    return text;
}

std::optional<std::vector<std::string>> AutostartEntry::execArguments(const std::string &value)
{
    const std::string text = unescapedValue(value);
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
            continue;
        }
        inArgument = true;
        if (c == '"') {
            for (++i;; ++i) {
                if (i == text.size())
                    return std::nullopt;
                if (text[i] == '"')
                    break;
                if (text[i] == '\\' && i + 1 < text.size()
                    && std::string_view("\"`$\\").find(text[i + 1]) != std::string_view::npos)
                    ++i;
                current += text[i];
            }
        } else if (c == '\\' && i + 1 < text.size()) {
            current += text[++i];
        } else {
            current += c;
        }
    }
    if (inArgument)
        arguments.push_back(std::move(current));
    for (std::string &argument : arguments) {
        std::string::size_type at = 0;
        while ((at = argument.find("%%", at)) != std::string::npos)
            argument.erase(at++, 1);
    }
    return arguments;
}

std::optional<std::string> AutostartEntry::execValue(std::string_view text)
{
    constexpr std::string_view Key = "Exec";
    bool inEntry = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.starts_with('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.starts_with(Key))
            continue;
        // Spaces around "=" do not count; "Exec[de]" and "ExecX" are other keys.
        std::string_view rest = line.substr(Key.size());
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        if (!rest.starts_with('='))
            continue;
        rest.remove_prefix(1);
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        return std::string(rest);
    }
    return std::nullopt;
}

bool AutostartEntry::startsProgram(const std::string &entryPath, const std::string &program)
{
    std::ifstream file(entryPath, std::ios::binary);
    if (!file)
        return false;
    // An entry is a few lines; anything far larger is no entry of ours.
    std::string text(MaxEntrySize, '\0');
    file.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(file.gcount()));
    const std::optional<std::string> exec = execValue(text);
    if (!exec)
        return false;
    const auto arguments = execArguments(*exec);
    return arguments && !arguments->empty() && sameProgram(arguments->front(), program);
}

std::optional<std::string> AutostartEntry::write(const std::string &folder, const std::string &title,
                                                 const AutostartProgram &program, std::string &error)
{
    std::error_code made;
    fs::create_directories(folder, made);
    if (made) {
        error = folder + ": " + made.message();
        return std::nullopt;
    }
    const std::string name = fileNameFor(title);
    const std::string stem = name.substr(0, name.size() - Extension.size());
    std::string path = withSeparator(folder) + name;
    std::error_code status;
    for (int n = 2; fs::exists(fs::symlink_status(path, status)) && !startsProgram(path, program.program); ++n)
        path = withSeparator(folder) + stem + "-" + std::to_string(n) + std::string(Extension);
    if (!writeWhole(path, entryText(title, program), error))
        return std::nullopt;
    return path;
}

std::vector<std::string> AutostartEntry::entriesFor(const std::string &folder, const std::string &program)
{
    std::vector<std::string> found;
    std::error_code listing;
    for (fs::directory_iterator entries(folder, listing); !listing && entries != fs::directory_iterator();
         entries.increment(listing)) {
        const std::string path = entries->path().string();
        if (entries->path().extension().string() == Extension && startsProgram(path, program))
            found.push_back(path);
    }
    return found;
}

bool AutostartEntry::removeFor(const std::string &folder, const std::string &program,
                               std::vector<std::string> &removed, std::string &error)
{
    std::error_code listing;
    fs::directory_iterator entries(folder, listing);
    if (listing) {
        if (listing == std::errc::no_such_file_or_directory)
            return true;
        error = folder + ": " + listing.message();
        return false;
    }
    bool all = true;
    for (; entries != fs::directory_iterator(); entries.increment(listing)) {
        const std::string path = entries->path().string();
        if (entries->path().extension().string() != Extension || !startsProgram(path, program))
            continue;
        if (std::remove(path.c_str()) == 0) {
            removed.push_back(path);
        } else if (all) {
            error = path + ": " + systemError(errno);
            all = false;
        }
    }
    if (listing && all) {
        error = folder + ": " + listing.message();
        all = false;
    }
    return all;
}
