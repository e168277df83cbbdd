#include "demo/DemoSite.h"

#include <array>
#include <vector>

#include "base/StringTable.h"
#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"

namespace
{
constexpr int ZoneCount = 5;
constexpr int PagerCount = 20;
constexpr int KeyCount = 15;
constexpr int Noon = 12 * 3600;
constexpr int LastSecondOfDay = 24 * 3600 - 1;

struct Names
{
    std::array<const char *, ZoneCount> zones;
    std::array<const char *, KeyCount> keys;
    std::array<const char *, 2 * ZoneCount> attendants;
    const char *table;
};

const Names English {
    {"Hall", "Terrace", "Garden", "Private room A", "Private room B"},
    {"Waiter", "Bill", "Water", "Menu", "Tea", "Napkins", "Cutlery", "Takeaway box", "Child seat", "Cleaning",
     "Order", "Dessert", "Drinks", "Manager", "Help"},
    {"Ann Lee", "Ben Ford", "Cora Diaz", "Dan Hale", "Eve Moss", "Finn Roy", "Gia Park", "Hugo Bell", "Ivy Chen",
     "Jon Wolf"},
    "Table ",
};

const Names Chinese {
    {"大厅", "露台", "花园", "包间A", "包间B"},
    {"服务员", "结账", "加水", "菜单", "茶水", "纸巾", "餐具", "打包盒", "儿童椅", "清洁", "点菜", "甜品", "饮料",
     "经理", "求助"},
    {"李安", "张斌", "王可", "赵丹", "陈怡", "刘帆", "周佳", "吴浩", "郑薇", "孙杰"},
    "桌",
};
}

bool seedDemoSite(DbManage &db, const DemoSiteOptions &options, std::string &error)
{
    if (!db.GetPagers().empty()) {
        error = "the database in " + db.folder() + " already has pagers; the demo site goes only into an empty one";
        return false;
    }
    const bool chinese = options.lcid == Lcid::Chinese;
    const Names &names = chinese ? Chinese : English;

    for (int key = 1; key <= KeyCount; ++key)
        db.SetServiceType(names.keys[std::size_t(key - 1)], std::uint64_t(key));

    std::vector<std::uint64_t> zones;
    for (const char *zone : names.zones) {
        const std::uint64_t id = db.InsertZone(zone);
        if (id == 0) {
            error = std::string("cannot add the zone ") + zone;
            return false;
        }
        zones.push_back(id);
    }

    for (int number = 1; number <= PagerCount; ++number) {
        stPager pager;
        pager.ZoneId = zones[std::size_t((number - 1) % ZoneCount)];
        pager.PagerNum = std::to_string(number);
        pager.Name = chinese ? std::to_string(number) + names.table : names.table + std::to_string(number);
        if (!db.InsertPager(pager)) {
            error = "cannot add pager " + pager.PagerNum;
            return false;
        }
    }

    for (int i = 0; i < 2 * ZoneCount; ++i) {
        stEmployee attendant;
        attendant.EmpID = "E" + std::to_string(101 + i);
        attendant.EmpName = names.attendants[std::size_t(i)];
        attendant.Gender = i % 2 == 1;
        if (!db.InsertEmployee(attendant)) {
            error = "cannot add the attendant " + attendant.EmpID;
            return false;
        }
        stDuty duty;
        duty.EmpID = attendant.ID;
        duty.ZoneId = zones[std::size_t(i / 2)];
        const bool morning = i % 2 == 0;
        duty.BeginTime = Poco::Timespan(morning ? 0 : Noon, 0);
        duty.EndTime = Poco::Timespan(morning ? Noon - 1 : LastSecondOfDay, 0);
        if (!db.InsertDuty(duty)) {
            error = "cannot add the duty of " + attendant.EmpID;
            return false;
        }
    }

    SetupRecord setup = SetupRecord::defaults(options.lcid, builtInText(TextId::ProgramName, options.lcid), db.folder());
    db.LoadSetup(setup);
    setup.SerialPort = options.port;
    setup.LCID = options.lcid;
    if (options.quickEscalation) {
        setup.Warn1Time = Poco::Timespan(20, 0);
        setup.Warn2Time = Poco::Timespan(35, 0);
        setup.SevTimeout = Poco::Timespan(50, 0);
    }
    db.SaveSetup(setup);
    if (db.modified() && !db.SaveSystemDatabase()) {
        error = "cannot write " + db.folder() + DbManage::SystemFileName;
        return false;
    }
    return true;
}
