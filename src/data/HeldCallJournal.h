#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/Call.h"

class DbManage;

// The calls the desk holds back while the history cannot take them (a
// restore), on disk beside the history, so that a crash before they are
// stored loses none that the receiver was told were taken. Every change of
// such a call appends the call's whole state as one line and is on disk
// before append returns; the last line of a call counts. The next start
// stores what a crashed run left (replay) and removes the file.
//
// Main thread only.
class HeldCallJournal
{
public:
    static constexpr const char *FileName = "history.held";

    // The journal's place in a data folder.
    static std::string pathIn(const std::string &folder);

    explicit HeldCallJournal(std::string path);
    ~HeldCallJournal();

    HeldCallJournal(const HeldCallJournal &) = delete;
    HeldCallJournal &operator=(const HeldCallJournal &) = delete;

    // Opens the file to append, creating it; a file already there (left by a
    // replay that could not store everything) is kept and continued. False,
    // logged, when it cannot be written.
    bool open();
    bool isOpen() const { return m_fd >= 0; }
    // A key for a call not journaled yet.
    std::uint64_t newKey() { return m_nextKey++; }
    // Appends the call's state under its key, and waits for the disk. False,
    // logged, when it is not on disk.
    bool append(std::uint64_t key, const CCall &call);
    // Every call of this journal is stored: the file goes, unless it held
    // calls of an earlier run when it was opened (the next start stores
    // those; what this run stored is found there and not stored twice).
    void close();

    // The last state of each call in the file, in the order the calls first
    // came. A line cut short by a crash is no call; nullopt, with the reason
    // in error, when the file cannot be read.
    static std::optional<std::vector<CCall>> read(const std::string &path, std::string &error);

    struct Replayed
    {
        // Every call was stored or dropped, and the file removed.
        bool ok = true;
        std::size_t stored = 0;
        // Changes to calls the history no longer holds (a restore replaced
        // it): not written over whatever row has their ID now.
        std::size_t dropped = 0;
    };
    // Stores the calls of a journal a crash left at path into the history,
    // each once however often this runs: a call not stored yet is found by
    // its pager and call time. Removes the file when all went in; keeps it
    // otherwise, logged. Nothing to do when there is no file.
    static Replayed replay(DbManage &db, const std::string &path);

private:
    std::string m_path;
    int m_fd = -1;
    std::uint64_t m_nextKey = 1;
    bool m_inherited = false;
    bool m_failed = false;
};
