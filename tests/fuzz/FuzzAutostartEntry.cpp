// The desktop's autostart folder holds entries that other programs and the
// user wrote: outside bytes, which the desk reads when autostart is turned
// off. Whatever an entry holds, finding its Exec and splitting it into
// arguments stays inside the text. And whatever program path and data
// folder the desk writes into its own entry, reading the entry back gives
// exactly those arguments, so the desk always recognises its entries.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "shell/AutostartEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string program = input.ConsumeRandomLengthString(256);
    const std::string dataFolder = input.ConsumeRandomLengthString(256);
    const std::string text = input.ConsumeRemainingBytesAsString();

    if (const auto exec = AutostartEntry::execValue(text))
        AutostartEntry::execArguments(*exec);

    // Paths hold no NUL; the program always has a name.
    if (program.empty() || program.find('\0') != std::string::npos || dataFolder.find('\0') != std::string::npos)
        return 0;
    const std::string entry = AutostartEntry::entryText("Desk", {program, dataFolder, ""});
    const auto exec = AutostartEntry::execValue(entry);
    if (!exec)
        std::abort();
    std::vector<std::string> expected {program};
    if (!dataFolder.empty())
        expected.insert(expected.end(), {"--data-dir", dataFolder});
    if (AutostartEntry::execArguments(*exec) != expected)
        std::abort();
    return 0;
}
