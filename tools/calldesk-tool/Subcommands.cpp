#include "Subcommand.h"

int runSimulate(const std::vector<std::string> &arguments);
int runProbe(const std::vector<std::string> &arguments);
int runPorts(const std::vector<std::string> &arguments);
int runExport(const std::vector<std::string> &arguments);
int runDemoSite(const std::vector<std::string> &arguments);
int runPort(const std::vector<std::string> &arguments);
int runOutages(const std::vector<std::string> &arguments);
int runBackup(const std::vector<std::string> &arguments);
int runRestore(const std::vector<std::string> &arguments);
int runStats(const std::vector<std::string> &arguments);
int runBoard(const std::vector<std::string> &arguments);
int runCentral(const std::vector<std::string> &arguments);

const std::vector<Subcommand> &subcommands()
{
    static const std::vector<Subcommand> table = {
        {"simulate", "Act as a wireless receiver on a pseudo-terminal, with simulated pagers.", runSimulate},
        {"probe", "Open a serial port as the desk does and print every frame received.", runProbe},
        {"ports", "List the serial ports present; with --watch, follow them coming and going.", runPorts},
        {"port", "Show or set the serial port the desk opens at start-up.", runPort},
        {"export", "Write stored calls of a range of days to an Excel 97-2003 workbook.", runExport},
        {"backup", "Write a backup of the system database or of the call history (also while the desk runs).",
         runBackup},
        {"restore", "Replace the system database or the call history by a backup (desk closed).", runRestore},
        {"stats", "Print a service statistics table as the statistics window shows it.", runStats},
        {"board", "Turn the live board in the browser on or off, pair and remove its devices (desk closed).",
         runBoard},
        {"central", "Ship the desk's calls to a central history in PostgreSQL, or create its schema.", runCentral},
        {"outages", "List the failures of the link to the receiver that the desk logged.", runOutages},
        {"demo-site", "Fill an empty data folder with a small demo site for trying the desk.", runDemoSite},
    };
    return table;
}
