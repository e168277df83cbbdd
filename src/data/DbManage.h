#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <Poco/Data/Session.h>

struct SetupRecord;

// The one database object of the process: the in-memory copy of the system
// database ("ovk.db") and the history database ("history.db") on its file,
// with one member operation per statement.
//
// Statement operations never throw: they report failure through their
// results. They run on the main thread, except the history readers that
// report workers open for themselves (OpenHistoryReader).
class DbManage : public std::enable_shared_from_this<DbManage>
{
public:
    static constexpr const char *SystemFileName = "ovk.db";
    static constexpr const char *HistoryFileName = "history.db";
    static constexpr const char *BadPrefix = "bad_";
    static constexpr const char *SystemKey = "marble_kqvtzn";
    static constexpr const char *HistoryKey = "lantern_kqvtzn";

    // Opens (creating when missing) both databases in folder. Unreadable
    // files are set aside as "bad_..." and replaced by empty databases. Throws
    // POCO's exceptions when the history database cannot be made usable.
    explicit DbManage(const std::string &folder);
    ~DbManage();

    DbManage(const DbManage &) = delete;
    DbManage &operator=(const DbManage &) = delete;

    // The process-wide instance. GetInstance creates it on first use in the
    // folder given to SetFolder (or the default data folder); exceptions of
    // the construction leave it with no instance made.
    static void SetFolder(const std::string &folder);
    static std::shared_ptr<DbManage> GetInstance();
    static void ReleaseInstance();

    // Writes the in-memory system database to "ovk.db" when it changed.
    // False when nothing was to be written or writing failed (the old file
    // then stays as it was).
    bool SaveSystemDatabase();

    void CreateSystemSchema();
    void CreateHistorySchema();

    bool CopyFileToSession(Poco::Data::Session &session, const std::string &path, const std::string &key);
    bool CopySessionToFile(const std::string &path, const std::string &key, Poco::Data::Session &session);
    bool CopySessionToFileStepwise(const std::string &path, Poco::Data::Session &session, const std::string &key,
                                   int *remaining = nullptr, int *total = nullptr);
    static int SetSessionKey(Poco::Data::Session &session, const std::string &key);

    // A read-only, keyed connection of its own on the history database, for
    // a report worker: its long queries never wait for the desk's writes.
    Poco::Data::Session OpenHistoryReader() const;

    // Settings record.
    void LoadSetup(SetupRecord &record);
    void SaveSetup(const SetupRecord &record);
    std::uint32_t GetLCID();

    std::string Folder;
    Poco::Data::Session SystemSession;
    Poco::Data::Session HistorySession;
    bool Modified = false;

private:
    void openSystemDatabase();
    void openHistoryDatabase();
    void configureHistorySession();
    void setAside(const std::string &fileName) const;
};
