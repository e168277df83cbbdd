#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Util/OptionSet.h>

// The options of one subcommand: declares them, parses the arguments, and
// prints --help or the reason arguments were refused.
class CommandLine
{
public:
    CommandLine(std::string command, std::string usage, std::string purpose);

    // An option that takes a value, such as --rate 5 or --rate=5.
    CommandLine &option(const std::string &name, const std::string &valueName, const std::string &description);
    // An option that may come several times, such as --site A --site B.
    CommandLine &repeatedOption(const std::string &name, const std::string &valueName, const std::string &description);
    // An option without a value, such as --watch.
    CommandLine &flag(const std::string &name, const std::string &description);

    // Parses; on --help or an error prints what fits and returns the exit
    // code the program should end with (0 after help, 2 after an error).
    std::optional<int> parse(const std::vector<std::string> &arguments);

    bool has(const std::string &name) const { return m_values.contains(name); }
    std::string text(const std::string &name, const std::string &fallback = {}) const;
    // Every value of a repeated option, in the order given.
    std::vector<std::string> texts(const std::string &name) const;
    // The value as a number within [min, max]; an error (printed) otherwise.
    std::optional<double> number(const std::string &name, double fallback, double min, double max) const;
    const std::vector<std::string> &positionals() const { return m_positionals; }

    // Prints the error with a hint to --help; returns the exit code 2.
    int fail(const std::string &message) const;
    void printHelp() const;

private:
    std::string m_command;
    std::string m_usage;
    std::string m_purpose;
    Poco::Util::OptionSet m_options;
    std::map<std::string, std::string> m_values;
    std::map<std::string, std::vector<std::string>> m_repeated;
    std::vector<std::string> m_positionals;
};
