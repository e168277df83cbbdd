#include "data/RowReaders.h"

#include <string>

#include "base/EventLog.h"
#include "base/LocalTime.h"

namespace
{
using Poco::Data::AbstractExtractor;
using Poco::Data::AbstractPreparator;

std::string text(std::size_t pos, AbstractExtractor::Ptr &pExt)
{
    std::string value;
    if (!pExt->extract(pos, value))
        value.clear();
    return value;
}

// The column's integer, or fallback when it is NULL.
template <typename T>
T number(std::size_t pos, AbstractExtractor::Ptr &pExt, T fallback)
{
    Poco::Int64 value = 0;
    if (!pExt->extract(pos, value))
        return fallback;
    return static_cast<T>(value);
}

void prepareColumns(std::size_t pos, std::size_t count, AbstractPreparator::Ptr &pPreparator)
{
    // SQLite needs no preparation per column; the preparator only has to
    // see each column once with a type it knows.
    const std::string placeholder;
    for (std::size_t i = 0; i < count; ++i)
        pPreparator->prepare(pos + i, placeholder);
}

void readCallTime(std::size_t pos, AbstractExtractor::Ptr &pExt, Poco::LocalDateTime &time, const char *column)
{
    if (pExt->isNull(pos))
        return;
    const std::string stored = text(pos, pExt);
    if (const auto local = localFromUtcText(stored))
        time = *local;
    else
        logFailure("read a call", std::string(column) + " is not a date-time: " + stored);
}
}

namespace Poco::Data
{
void TypeHandler<stPager>::extract(std::size_t pos, stPager &obj, const stPager &, AbstractExtractor::Ptr pExt)
{
    obj.ID = number(pos, pExt, obj.ID);
    obj.PagerNum = text(pos + 1, pExt);
    obj.Name = text(pos + 2, pExt);
    obj.ZoneId = number(pos + 3, pExt, obj.ZoneId);
    obj.Zone = text(pos + 4, pExt);
}

void TypeHandler<stPager>::prepare(std::size_t pos, const stPager &, AbstractPreparator::Ptr pPreparator)
{
    prepareColumns(pos, size(), pPreparator);
}

void TypeHandler<stEmployee>::extract(std::size_t pos, stEmployee &obj, const stEmployee &,
                                      AbstractExtractor::Ptr pExt)
{
    obj.ID = number(pos, pExt, obj.ID);
    obj.EmpID = text(pos + 1, pExt);
    obj.EmpName = text(pos + 2, pExt);
    obj.Gender = number(pos + 3, pExt, Poco::Int64(obj.Gender)) != 0;
    obj.Telephone = text(pos + 4, pExt);
    obj.Remark = text(pos + 5, pExt);
}

void TypeHandler<stEmployee>::prepare(std::size_t pos, const stEmployee &, AbstractPreparator::Ptr pPreparator)
{
    prepareColumns(pos, size(), pPreparator);
}

void TypeHandler<stDuty>::extract(std::size_t pos, stDuty &obj, const stDuty &, AbstractExtractor::Ptr pExt)
{
    obj.ID = number(pos, pExt, obj.ID);
    obj.EmpID = number(pos + 1, pExt, obj.EmpID);
    obj.BeginTime = Poco::Timespan(number(pos + 2, pExt, wholeSeconds(obj.BeginTime)), 0);
    obj.EndTime = Poco::Timespan(number(pos + 3, pExt, wholeSeconds(obj.EndTime)), 0);
    obj.ZoneId = number(pos + 4, pExt, obj.ZoneId);
    obj.Zone = text(pos + 5, pExt);
    // Each row gets an attendant link of its own to fill in.
    obj.Employee = std::make_shared<stEmployee>();
}

void TypeHandler<stDuty>::prepare(std::size_t pos, const stDuty &, AbstractPreparator::Ptr pPreparator)
{
    prepareColumns(pos, size(), pPreparator);
}

void TypeHandler<stUser>::extract(std::size_t pos, stUser &obj, const stUser &, AbstractExtractor::Ptr pExt)
{
    obj.ID = number(pos, pExt, obj.ID);
    obj.Operator = text(pos + 1, pExt);
    obj.Password = text(pos + 2, pExt);
    obj.Post = text(pos + 3, pExt);
    obj.Gender = number(pos + 4, pExt, Poco::Int64(obj.Gender)) != 0;
    obj.Authority = number(pos + 5, pExt, obj.Authority);
}

void TypeHandler<stUser>::prepare(std::size_t pos, const stUser &, AbstractPreparator::Ptr pPreparator)
{
    prepareColumns(pos, size(), pPreparator);
}

void TypeHandler<CCall>::extract(std::size_t pos, CCall &obj, const CCall &, AbstractExtractor::Ptr pExt)
{
    obj.ID = number(pos, pExt, obj.ID);
    readCallTime(pos + 1, pExt, obj.CallTime, "CallTime");
    // An open call has no stored answer time; in memory it equals the call
    // time until the call is answered, not the moment the row was read.
    obj.ProcessTime = obj.CallTime;
    readCallTime(pos + 2, pExt, obj.ProcessTime, "ProcessTime");
    obj.TimeOut = number(pos + 3, pExt, Poco::Int64(0)) != 0;
    obj.EmpID = text(pos + 4, pExt);
    obj.EmpName = text(pos + 5, pExt);
    obj.SevStatus = number(pos + 6, pExt, obj.SevStatus);
    obj.SevTotalSeconds = Poco::Timespan(number(pos + 7, pExt, wholeSeconds(obj.SevTotalSeconds)), 0);
    obj.SevType = text(pos + 8, pExt);
    obj.PagerNum = text(pos + 9, pExt);
    obj.PagerName = text(pos + 10, pExt);
    obj.Zone = text(pos + 11, pExt);
    obj.Remark = text(pos + 12, pExt);
}

void TypeHandler<CCall>::prepare(std::size_t pos, const CCall &, AbstractPreparator::Ptr pPreparator)
{
    prepareColumns(pos, size(), pPreparator);
}
}
