#include "support/SmallSite.h"

#include "data/DbManage.h"

void seedSmallSite(DbManage &db)
{
    db.SetServiceType("Waiter", 3);
    db.SetServiceType("Water", 5);
    const std::uint64_t hall = db.InsertZone("Hall");
    stPager pager {0, hall, "12", "Table 12", ""};
    db.InsertPager(pager);
    stEmployee ann {false, "A07", "Ann", "", "", 0};
    db.InsertEmployee(ann);
    stDuty duty;
    duty.EmpID = ann.ID;
    duty.ZoneId = hall;
    duty.BeginTime = Poco::Timespan(8 * 3600, 0);
    duty.EndTime = Poco::Timespan(12 * 3600, 0);
    db.InsertDuty(duty);
}
