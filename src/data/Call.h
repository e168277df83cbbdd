#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <Poco/LocalDateTime.h>
#include <Poco/Timespan.h>

// One call. Shared between the open-call index, the rows of both call lists
// and the pop-up entries; freed when the last of them lets go. The fields up
// to Remark are the stored ones (one row of TBHistory).
//
// The main thread's; workers get copies, never the shared call.
class CCall
{
public:
    // Open, not stored, both times at now.
    explicit CCall(const Poco::LocalDateTime &now);
    CCall();

    bool TimeOut = false;
    std::string PagerNum;
    std::uint64_t ID = 0;
    Poco::Timespan SevTotalSeconds;
    std::int32_t SevStatus = 0;
    Poco::LocalDateTime CallTime;
    Poco::LocalDateTime ProcessTime;
    std::string EmpID;
    std::string EmpName;
    std::string PagerName;
    std::string Zone;
    std::string SevType;
    std::string Remark;

    static constexpr std::int32_t Open = 0;
    static constexpr std::int32_t Answered = 1;

    bool isAnswered() const { return SevStatus == Answered; }
};

using CallPtr = std::shared_ptr<CCall>;
