// What the board reads from a browser and writes into its event stream.
// The Accept-Language header is outside bytes: whatever it holds, the page
// takes one of the two languages or the desk's. And whatever the names of a
// call hold, its event stays one event: a single data line ending in the one
// empty line that closes it, so no name can end an event early or forge one.
// A name a browser gives itself is outside bytes too: what is kept of it is
// bounded, without control characters or edge spaces, and on the pairing
// form it adds no markup of its own.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "base/Language.h"
#include "board/BoardHub.h"
#include "board/BoardPage.h"
#include "board/BoardRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string header = input.ConsumeRandomLengthString(512);
    const std::uint32_t lcid = pageLcid(header, 7);
    if (lcid != Lcid::English && lcid != Lcid::Chinese && lcid != 7)
        std::abort();

    const std::string given = input.ConsumeRandomLengthString(256);
    const std::string name = BoardRegistry::deviceName(given);
    const auto characters = std::count_if(name.begin(), name.end(), [](char c) { return (c & 0xC0) != 0x80; });
    const bool control =
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (static_cast<std::size_t>(characters) > BoardRegistry::MaxNameLength
        || name.size() > 4 * BoardRegistry::MaxNameLength || control
        || (!name.empty() && (name.front() == ' ' || name.back() == ' ')))
        std::abort();
    const std::string plain = pairingPage(Lcid::English, "code", "");
    const std::string named = pairingPage(Lcid::English, "code", given);
    for (const char markup : {'<', '>', '"'}) {
        if (std::count(named.begin(), named.end(), markup) != std::count(plain.begin(), plain.end(), markup))
            std::abort();
    }

    BoardCall call;
    call.key = input.ConsumeRandomLengthString(64);
    call.pager = input.ConsumeRandomLengthString(64);
    call.zone = input.ConsumeRandomLengthString(64);
    call.attendant = input.ConsumeRandomLengthString(64);
    call.levelText = input.ConsumeRandomLengthString(64);
    call.service = input.ConsumeRemainingBytesAsString();
    for (const std::string &event :
         {BoardHub::stateEvent({{call}, call.zone}, 1), BoardHub::changeEvent({}, {{call}, call.pager}, 1)}) {
        const std::size_t data = event.find("\ndata: ");
        if (data == std::string::npos || event.find('\n', data + 1) != event.size() - 2 ||
            event.find('\r') != std::string::npos)
            std::abort();
    }
    return 0;
}
