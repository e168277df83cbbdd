// The call lookup: from a key press to service, pager, zone and attendant.
#include "data/DbManage.h"

#include <Poco/Data/Statement.h>

#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Statement;

namespace
{
Poco::Int32 secondsSinceMidnight(const Poco::LocalDateTime &time)
{
    return time.hour() * 3600 + time.minute() * 60 + time.second();
}
}

bool DbManage::LookupCall(CCall &call, const Poco::LocalDateTime &callTime, int key, const std::string &pagerNum)
{
    std::vector<std::string> serviceType;
    std::vector<std::string> pagerName;
    std::vector<std::string> zone;
    std::vector<std::string> empId;
    std::vector<std::string> empName;
    std::string pid = pagerNum;
    Poco::Int32 st = key;
    Poco::Int32 tm = secondsSinceMidnight(callTime);
    // :pid appears twice but is one parameter, bound once.
    const bool ran = runLogged("look up a call", [&] {
        SystemSession << "select ServiceType, TBPager.Name, TBZone.Zone, TBEmployee.EmpID, EmpName from TBPager "
                         "left join (select :pid as PID,ServiceType from TBServices where ID=:st) on PID=PagerNum "
                         "left join (select EmpID,ZoneId from TBDuty where :tm between BeginTime and EndTime) as duty "
                         "on duty.ZoneId=TBPager.ZoneId left join TBEmployee on TBEmployee.ID=duty.EmpID left join "
                         "TBZone on TBZone.ID=TBPager.ZoneId where PagerNum=:pid;",
            use(pid), use(st), use(tm), into(serviceType), into(pagerName), into(zone), into(empId), into(empName),
            now;
    });
    if (!ran)
        return false;

    if (serviceType.empty()) {
        // An unregistered pager: only the key's service is known, and the
        // pager is shown by its number.
        runLogged("look up a service type", [&] {
            SystemSession << "select ServiceType from TBServices where ID=:st", use(st), into(call.SevType), limit(1),
                now;
        });
        call.PagerName = call.PagerNum;
        return false;
    }

    // Several duty rows covering the time: the first row's values stand,
    // but the lookup is not a clean match.
    call.SevType = serviceType.front();
    call.PagerName = pagerName.front();
    call.Zone = zone.front();
    call.EmpID = empId.front();
    call.EmpName = empName.front();
    return serviceType.size() == 1;
}
