// calldesk-tool: the companion program for installers and developers.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <Poco/Exception.h>

#include "base/BuildVersion.h"
#include "Subcommand.h"

namespace
{
void printUsage(std::ostream &out)
{
    out << "usage: calldesk-tool COMMAND [options]\n\ncommands:\n";
    for (const Subcommand &command : subcommands())
        out << "  " << command.name << std::string(12 - std::string(command.name).size(), ' ') << command.summary
            << "\n";
    out << "\n\"calldesk-tool COMMAND --help\" describes a command's options; \"calldesk-tool --version\" "
           "names this build."
        << std::endl;
}
}

int main(int argc, char *argv[])
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        printUsage(std::cerr);
        return 2;
    }
    if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        printUsage(std::cout);
        return 0;
    }
    if (arguments[0] == "--version") {
        std::cout << "calldesk-tool " << buildVersion() << std::endl;
        return 0;
    }
    for (const Subcommand &command : subcommands()) {
        if (arguments[0] != command.name)
            continue;
        try {
            return command.run({arguments.begin() + 1, arguments.end()});
        } catch (const Poco::Exception &error) {
            std::cerr << "calldesk-tool " << command.name << ": " << error.displayText() << std::endl;
        } catch (const std::exception &error) {
            std::cerr << "calldesk-tool " << command.name << ": " << error.what() << std::endl;
        }
        return 1;
    }
    std::cerr << "calldesk-tool: unknown command \"" << arguments[0] << "\"\n\n";
    printUsage(std::cerr);
    return 2;
}
