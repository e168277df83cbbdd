// The held-call journal is read back after a crash, so a torn or damaged
// file is what it meets by design: it must yield calls or a reason, never
// crash the start-up that replays it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "data/HeldCallJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string path = "/tmp/calldesk-fuzz-held-" + std::to_string(::getpid());
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    std::string error;
    const auto calls = HeldCallJournal::read(path, error);
    if (calls) {
        for (const CCall &call : *calls)
            (void)call.PagerNum.size();
    }
    std::remove(path.c_str());
    return 0;
}
