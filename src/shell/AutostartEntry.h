#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What an autostart entry starts: the desk as it runs now.
struct AutostartProgram
{
    // The program file's absolute path.
    std::string program;
    // Given to the program as --data-dir; empty for the default data folder.
    std::string dataFolder;
    // The icon file's absolute path; empty for none.
    std::string icon;
};

// The desk's entries in the desktop's autostart folder ($XDG_CONFIG_HOME/
// autostart/, by default ~/.config/autostart/): desktop entries that the
// desktop runs when the user logs in. Plain files, no Qt; any thread.
namespace AutostartEntry
{
// The autostart folder of the user, ending in a separator. XDG_CONFIG_HOME
// counts only when it is an absolute path, as the base directory rules say.
std::string folder();

// A file name for an entry named title: "/" and control characters become
// "_", a leading "." too (no hidden or special names), an empty title is
// "calldesk", and a long one is cut on a character boundary; ".desktop"
// follows.
std::string fileNameFor(const std::string &title);

// The text of the entry: Type, Name, Exec (the program and, where given,
// --data-dir with the folder, quoted by the desktop-entry rules), Path (the
// program's folder), Icon.
std::string entryText(const std::string &title, const AutostartProgram &program);

// The value of Exec in the [Desktop Entry] group of an entry's text, as it
// stands; nullopt without one.
std::optional<std::string> execValue(std::string_view text);

// The arguments of an Exec value as it stands in the file, with the escapes
// of the value and the quoting of the arguments undone; nullopt for an
// unterminated quote.
std::optional<std::vector<std::string>> execArguments(const std::string &value);

// Whether the entry file's Exec starts program (the same path, or another
// path of the same file).
bool startsProgram(const std::string &entryPath, const std::string &program);

// Writes the entry named title into the folder (made when missing), whole
// or not at all. A file of that name that starts another program is left
// alone and the entry takes the next free name ("title-2.desktop"...).
// The path written, or nullopt with the reason in error.
std::optional<std::string> write(const std::string &folder, const std::string &title,
                                 const AutostartProgram &program, std::string &error);

// The entries in the folder whose Exec starts program; none when the folder
// cannot be read (the desktop could not read them either).
std::vector<std::string> entriesFor(const std::string &folder, const std::string &program);

// Removes every entry in the folder whose Exec starts program, whatever its
// name; entries of other programs stay. The paths removed go into removed;
// false, with the reason in error, when one could not be removed (the others
// are removed still) or the folder could not be read. No folder: nothing to
// remove.
bool removeFor(const std::string &folder, const std::string &program, std::vector<std::string> &removed,
               std::string &error);
}
