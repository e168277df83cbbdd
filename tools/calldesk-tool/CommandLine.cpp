#include "CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <utility>

#include <Poco/Exception.h>
#include <Poco/Util/HelpFormatter.h>
#include <Poco/Util/Option.h>
#include <Poco/Util/OptionProcessor.h>

CommandLine::CommandLine(std::string command, std::string usage, std::string purpose)
    : m_command {std::move(command)}
    , m_usage {std::move(usage)}
    , m_purpose {std::move(purpose)}
{
    flag("help", "Show this help and exit.");
}

CommandLine &CommandLine::option(const std::string &name, const std::string &valueName, const std::string &description)
{
    m_options.addOption(Poco::Util::Option(name, "", description).argument(valueName).repeatable(false));
    return *this;
}

CommandLine &CommandLine::repeatedOption(const std::string &name, const std::string &valueName,
                                         const std::string &description)
{
    m_options.addOption(Poco::Util::Option(name, "", description).argument(valueName).repeatable(true));
    return *this;
}

CommandLine &CommandLine::flag(const std::string &name, const std::string &description)
{
    m_options.addOption(Poco::Util::Option(name, "", description).repeatable(false));
    return *this;
}

std::optional<int> CommandLine::parse(const std::vector<std::string> &arguments)
{
    Poco::Util::OptionProcessor processor(m_options);
    processor.setUnixStyle(true);
    std::string pendingOption;
    try {
        for (const std::string &argument : arguments) {
            std::string name;
            std::string value;
            if (!processor.process(argument, name, value)) {
                m_positionals.push_back(argument);
                continue;
            }
            // "--rate 5": the name comes back with the value, one argument later.
            pendingOption = name.empty() ? argument : std::string();
            if (!name.empty()) {
                m_values[name] = value;
                m_repeated[name].push_back(value);
            }
        }
        if (!pendingOption.empty())
            return fail(pendingOption + " needs a value");
        processor.checkRequired();
    } catch (const Poco::Exception &error) {
        return fail(error.displayText());
    }
    if (has("help")) {
        printHelp();
        return 0;
    }
    return std::nullopt;
}

std::string CommandLine::text(const std::string &name, const std::string &fallback) const
{
    const auto found = m_values.find(name);
    return found == m_values.end() ? fallback : found->second;
}

std::vector<std::string> CommandLine::texts(const std::string &name) const
{
    const auto found = m_repeated.find(name);
    return found == m_repeated.end() ? std::vector<std::string>() : found->second;
}

std::optional<double> CommandLine::number(const std::string &name, double fallback, double min, double max) const
{
    if (!has(name))
        return fallback;
    const std::string value = text(name);
    char *end = nullptr;
    errno = 0;
    const double parsed = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || errno != 0 || !std::isfinite(parsed) || parsed < min || parsed > max) {
        std::cerr << m_command << ": --" << name << " takes a number from " << min << " to " << max << ", not \""
                  << value << "\"" << std::endl;
        return std::nullopt;
    }
    return parsed;
}

int CommandLine::fail(const std::string &message) const
{
    std::cerr << m_command << ": " << message << "\n(" << m_command << " --help shows the options)" << std::endl;
    return 2;
}

void CommandLine::printHelp() const
{
    Poco::Util::HelpFormatter formatter(m_options);
    formatter.setUnixStyle(true);
    formatter.setCommand(m_command);
    formatter.setUsage(m_usage);
    formatter.setHeader(m_purpose);
    formatter.setWidth(100);
    formatter.format(std::cout);
}
