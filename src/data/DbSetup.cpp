// The settings record's statements on TBSetup.
#include "data/DbManage.h"

#include <Poco/Data/DataException.h>
#include <Poco/Data/Statement.h>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/DeskSounds.h"
#include "data/NotifiedTransaction.h"
#include "data/SetupRecord.h"
#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Statement;

namespace
{
// Colours are stored as signed 32-bit integers with the same bits.
Poco::Int32 storedColour(std::uint32_t colour)
{
    return static_cast<Poco::Int32>(colour);
}

// The 22 columns of TBSetup in column order, as stored; SerialPort is left
// out where the first start's insert leaves it NULL.
struct StoredSetup
{
    explicit StoredSetup(const SetupRecord &r)
        : Title {r.Title}
        , LeastRecords {r.LeastRecords}
        , SoundPath1 {r.SoundPath1}
        , SoundPath2 {r.SoundPath2}
        , SoundSel1 {r.SoundSel1}
        , SoundSel2 {r.SoundSel2}
        , SerialPort {r.SerialPort}
        , Option {r.Option}
        , Colours {storedColour(r.Warn1Bkcolor), storedColour(r.Warn1txtcolor), storedColour(r.Warn2Bkcolor),
                   storedColour(r.Warn2txtcolor), storedColour(r.TimeoutBkcolor), storedColour(r.Timeouttxtcolor),
                   storedColour(r.NoReplyBkcolor), storedColour(r.NoReplytxtcolor), storedColour(r.HasReplyBkcolor),
                   storedColour(r.HasReplytxtcolor)}
        , Warn1Time {wholeSeconds(r.Warn1Time)}
        , Warn2Time {wholeSeconds(r.Warn2Time)}
        , SevTimeout {wholeSeconds(r.SevTimeout)}
        , LCID {r.LCID}
    {
    }

    void bind(Statement &statement, bool withSerialPort)
    {
        statement, use(Title), use(LeastRecords), use(SoundPath1), use(SoundPath2), use(SoundSel1), use(SoundSel2);
        if (withSerialPort)
            statement, use(SerialPort);
        statement, use(Option);
        for (auto &colour : Colours)
            statement, use(colour);
        statement, use(Warn1Time), use(Warn2Time), use(SevTimeout), use(LCID);
    }

    std::string Title;
    Poco::Int32 LeastRecords;
    std::string SoundPath1;
    std::string SoundPath2;
    Poco::Int32 SoundSel1;
    Poco::Int32 SoundSel2;
    std::string SerialPort;
    Poco::UInt8 Option;
    Poco::Int32 Colours[10];
    Poco::Int64 Warn1Time;
    Poco::Int64 Warn2Time;
    Poco::Int64 SevTimeout;
    Poco::UInt32 LCID;
};

void insertFirstSetup(Poco::Data::Session &session, const SetupRecord &record)
{
    StoredSetup stored(record);
    Statement insert(session);
    insert << "Insert into TBSetup (Title,LeastRecords,SoundPath1,SoundPath2,SoundSel1,SoundSel2,Option,"
              "Warn1Bkcolor,Warn1txtcolor,Warn2Bkcolor,Warn2txtcolor,TimeoutBkcolor,Timeouttxtcolor,"
              "NoReplyBkcolor,NoReplytxtcolor,HasReplyBkcolor,HasReplytxtcolor,Warn1Time,Warn2Time,SevTimeout,"
              "LCID)VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?);";
    stored.bind(insert, false);
    insert.execute();
}
}

void DbManage::LoadSetup(SetupRecord &record)
{
    Poco::Int64 warn1 = 0;
    Poco::Int64 warn2 = 0;
    Poco::Int64 timeout = 0;
    Poco::UInt32 lcid = 0;
    try {
        Statement select(SystemSession);
        select << "select Title,LeastRecords,SoundPath1 ,SoundPath2 ,SoundSel1 ,SoundSel2,SerialPort ,Option ,"
                  "Warn1Bkcolor ,Warn1txtcolor ,Warn2Bkcolor ,Warn2txtcolor ,TimeoutBkcolor ,Timeouttxtcolor ,"
                  "NoReplyBkcolor ,NoReplytxtcolor ,HasReplyBkcolor ,HasReplytxtcolor ,Warn1Time ,Warn2Time ,"
                  "SevTimeout ,LCID  from TBSetup",
            into(record.Title), into(record.LeastRecords), into(record.SoundPath1), into(record.SoundPath2),
            into(record.SoundSel1), into(record.SoundSel2), into(record.SerialPort), into(record.Option),
            into(record.Warn1Bkcolor), into(record.Warn1txtcolor), into(record.Warn2Bkcolor),
            into(record.Warn2txtcolor), into(record.TimeoutBkcolor), into(record.Timeouttxtcolor),
            into(record.NoReplyBkcolor), into(record.NoReplytxtcolor), into(record.HasReplyBkcolor),
            into(record.HasReplytxtcolor), into(warn1), into(warn2), into(timeout), into(lcid), lowerLimit(1);
        select.execute();
        record.Warn1Time = Poco::Timespan(warn1, 0);
        record.Warn2Time = Poco::Timespan(warn2, 0);
        record.SevTimeout = Poco::Timespan(timeout, 0);
        if (lcid != 0)
            record.LCID = lcid;
    } catch (const Poco::Data::LimitException &) {
        try {
            insertFirstSetup(SystemSession, record);
            Modified = true;
            std::string error;
            if (!installDeskSounds(Folder, error))
                logFailure("write the warning sounds", error);
        } catch (const std::exception &error) {
            logFailure("insert the default settings", error);
        }
    } catch (const std::exception &error) {
        logFailure("load the settings", error);
    }
}

bool DbManage::SaveSetup(const SetupRecord &record)
{
    try {
        StoredSetup stored(record);
        NotifiedTransaction transaction(SystemSession);
        Statement update(SystemSession);
        update << "UPDATE TBSetup SET Title=?,LeastRecords=?,SoundPath1=? ,SoundPath2=? ,SoundSel1=? ,SoundSel2=?,"
                  "SerialPort =?,Option =?,Warn1Bkcolor =?,Warn1txtcolor =?,Warn2Bkcolor =?,Warn2txtcolor =?,"
                  "TimeoutBkcolor =?,Timeouttxtcolor =?,NoReplyBkcolor =?,NoReplytxtcolor =?,HasReplyBkcolor =?,"
                  "HasReplytxtcolor =?,Warn1Time =?,Warn2Time =?,SevTimeout =?,LCID=?;";
        stored.bind(update, true);
        update.execute();
        if (transaction.lastRow() == 0) {
            Statement insert(SystemSession);
            insert << "Insert into TBSetup (Title,LeastRecords,SoundPath1,SoundPath2,SoundSel1,SoundSel2,SerialPort,"
                      "Option,Warn1Bkcolor,Warn1txtcolor,Warn2Bkcolor,Warn2txtcolor,TimeoutBkcolor,"
                      "Timeouttxtcolor,NoReplyBkcolor,NoReplytxtcolor,HasReplyBkcolor,HasReplytxtcolor,Warn1Time,"
                      "Warn2Time,SevTimeout,LCID)VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?);";
            stored.bind(insert, true);
            insert.execute();
        }
        transaction.commit();
        Modified = true;
        return true;
    } catch (const std::exception &error) {
        statementFailed("save the settings", error);
        return false;
    }
}

std::uint32_t DbManage::GetLCID()
{
    Poco::UInt32 lcid = 0;
    try {
        SystemSession << "SELECT LCID FROM TBSetup;", into(lcid), limit(1), now;
    } catch (const std::exception &error) {
        logFailure("read the language", error);
        return 0;
    }
    return lcid;
}
