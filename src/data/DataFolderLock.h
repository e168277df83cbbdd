#pragma once

#include <string>

// The claim of one program on a data folder: the lock file "calldesk.lock"
// in the folder, locked with flock() while the desk runs (and while a tool
// that replaces the databases works). The system drops the lock when its
// holder ends, however it ends, so the lock of a desk that died is taken
// over at once. The file also names the holder's process. The desk's own
// single-instance lock is per user and lives in the user's runtime folder,
// which cron jobs and installers do not share; this one is per folder.
//
// The thread that starts and ends the program or command.
class DataFolderLock
{
public:
    static constexpr const char *FileName = "calldesk.lock";

    explicit DataFolderLock(const std::string &folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    // True when this object holds the lock now. False when another process
    // holds it (holder() then names it), or when the file cannot be made
    // (error() says why).
    bool tryLock();
    void unlock();
    bool isHeld() const { return m_fd >= 0; }

    // The process that holds the lock, as its file says; 0 when unknown.
    long holder() const { return m_holder; }
    const std::string &error() const { return m_error; }

private:
    std::string m_path;
    int m_fd = -1;
    long m_holder = 0;
    std::string m_error;
};
