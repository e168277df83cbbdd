// A database file from disk is outside input: a damaged or hostile
// "ovk.db" must be refused or copied, never crash the program.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include <sqlite3.h>

#include "data/SqliteFile.h"

namespace
{
std::string scratchPath()
{
    return "/tmp/calldesk-fuzz-db-" + std::to_string(::getpid()) + ".db";
}

void readEverything(sqlite3 *db)
{
    sqlite3_exec(db, "SELECT * FROM sqlite_master; PRAGMA integrity_check;", nullptr, nullptr, nullptr);
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string path = scratchPath();
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    sqlite3 *memory = nullptr;
    sqlite3_open(":memory:", &memory);
    // Both ways in: as a keyed file (what the program does) and as a plain
    // one, so the fuzzer also reaches the page parser with readable headers.
    for (const char *key : {"marble_kqvtzn", ""}) {
        if (SqliteFile::copyFileInto(memory, path, key) == SQLITE_OK)
            readEverything(memory);
        // A restore also reads the digest a backup carries.
        if (SqliteFile::restoreBackupInto(memory, path, key, "TBSetup") == SQLITE_OK)
            readEverything(memory);
    }
    sqlite3_close(memory);
    std::remove(path.c_str());
    return 0;
}
