// Statements on attendants and the duty timetable.
#include "data/DbManage.h"

#include <Poco/Data/Statement.h>

#include "base/LocalTime.h"
#include "data/RowReaders.h"
#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Statement;

namespace
{
// The attendant record binder: EmpID, EmpName, Gender, Telephone, Remark, ID.
void bindEmployee(Statement &statement, const stEmployee &e)
{
    statement, bind(nullIfEmpty(e.EmpID)), bind(nullIfEmpty(e.EmpName)), bind(Poco::Int32(e.Gender ? 1 : 0)),
        bind(nullIfEmpty(e.Telephone)), bind(nullIfEmpty(e.Remark)), bind(nullIfZero(e.ID));
}

void bindDuty(Statement &statement, const stDuty &d)
{
    statement, bind(Poco::UInt64(d.EmpID)), bind(Poco::Int64(wholeSeconds(d.BeginTime))),
        bind(Poco::Int64(wholeSeconds(d.EndTime))), bind(Poco::UInt64(d.ZoneId));
}

template <typename Record>
std::vector<std::shared_ptr<Record>> shared(std::vector<Record> &rows)
{
    std::vector<std::shared_ptr<Record>> records;
    records.reserve(rows.size());
    for (auto &row : rows)
        records.push_back(std::make_shared<Record>(std::move(row)));
    return records;
}
}

bool DbManage::GetEmployees(std::vector<EmployeePtr> &employees)
{
    std::vector<stEmployee> rows;
    const bool ok = runLogged("read the attendants",
                              [&] { SystemSession << "select * from TBEmployee;", into(rows), now; });
    employees = shared(rows);
    return ok;
}

bool DbManage::InsertEmployee(stEmployee &employee)
{
    return insertSystemRow("insert an attendant", employee.ID, [&] {
        Statement insert(SystemSession);
        insert << "INSERT INTO TBEmployee (EmpID,EmpName,Gender,Telephone,Remark,ID)values(?,?,?,?,?,?);";
        bindEmployee(insert, employee);
        insert.execute();
    });
}

bool DbManage::UpdateEmployee(const stEmployee &employee)
{
    return changeSystemRows("update an attendant", [&] {
        Statement update(SystemSession);
        update << "UPDATE TBEmployee SET EmpID=?,EmpName=?,Gender=?,Telephone=?,Remark=? WHERE ID=?;";
        bindEmployee(update, employee);
        update.execute();
    });
}

bool DbManage::EmpIDExists(const std::string &empId)
{
    Poco::Int64 count = 0;
    std::string code = empId;
    const bool ok = runLogged("look for an attendant code", [&] {
        SystemSession << "SELECT COUNT(*) FROM TBEmployee WHERE EmpID=?;", use(code), into(count), now;
    });
    return ok && count != 0;
}

bool DbManage::DeleteEmployee(std::uint64_t id)
{
    return changeSystemRows("delete an attendant", [&] {
        Poco::UInt64 row = id;
        SystemSession << "DELETE FROM TBEmployee WHERE ID=?;", use(row), now;
    });
}

std::vector<DutyPtr> DbManage::GetDuties()
{
    std::vector<stDuty> rows;
    runLogged("read the duties", [&] { SystemSession << "select * from VWDuty", into(rows), now; });
    return shared(rows);
}

bool DbManage::InsertDuty(stDuty &duty)
{
    return insertSystemRow("insert a duty", duty.ID, [&] {
        Statement insert(SystemSession);
        insert << "INSERT INTO TBDuty (EmpID,BeginTime,EndTime,ZoneId)values(?,?,?,?);";
        bindDuty(insert, duty);
        insert.execute();
    });
}

bool DbManage::UpdateDuty(const stDuty &duty)
{
    return changeSystemRows("update a duty", [&] {
        Statement update(SystemSession);
        update << "UPDATE TBDuty SET EmpID=?,BeginTime=?,EndTime=?,ZoneId=? WHERE ID=?;";
        bindDuty(update, duty);
        update, bind(Poco::UInt64(duty.ID));
        update.execute();
    });
}

bool DbManage::DeleteDuty(std::uint64_t id)
{
    return changeSystemRows("delete a duty", [&] {
        Poco::UInt64 row = id;
        SystemSession << "DELETE FROM TBDuty WHERE ID=?;", use(row), now;
    });
}
