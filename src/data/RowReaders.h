#pragma once

// How rows of the system tables and of TBHistory are read into records:
// POCO type handlers, so statements can extract whole records. Text columns
// that are NULL give empty text; NULL numbers leave the record's value.
// Only for the data layer's own statements. Any thread, on the connection
// of that thread.

#include <Poco/Data/TypeHandler.h>

#include "data/Call.h"
#include "data/Duty.h"
#include "data/Employee.h"
#include "data/Pager.h"
#include "data/User.h"

namespace Poco::Data
{
// Columns of VWPager: ID, PagerNum, Name, ZoneId, Zone.
template <>
class TypeHandler<stPager>
{
public:
    static std::size_t size() { return 5; }
    static void extract(std::size_t pos, stPager &obj, const stPager &defVal, AbstractExtractor::Ptr pExt);
    static void prepare(std::size_t pos, const stPager &obj, AbstractPreparator::Ptr pPreparator);
};

// Columns of TBEmployee: ID, EmpID, EmpName, Gender, Telephone, Remark.
template <>
class TypeHandler<stEmployee>
{
public:
    static std::size_t size() { return 6; }
    static void extract(std::size_t pos, stEmployee &obj, const stEmployee &defVal, AbstractExtractor::Ptr pExt);
    static void prepare(std::size_t pos, const stEmployee &obj, AbstractPreparator::Ptr pPreparator);
};

// Columns of VWDuty: ID, EmpID, BeginTime, EndTime, ZoneId, Zone.
template <>
class TypeHandler<stDuty>
{
public:
    static std::size_t size() { return 6; }
    static void extract(std::size_t pos, stDuty &obj, const stDuty &defVal, AbstractExtractor::Ptr pExt);
    static void prepare(std::size_t pos, const stDuty &obj, AbstractPreparator::Ptr pPreparator);
};

// Columns: ID, Operator, Password, Post, Gender, Authority.
template <>
class TypeHandler<stUser>
{
public:
    static std::size_t size() { return 6; }
    static void extract(std::size_t pos, stUser &obj, const stUser &defVal, AbstractExtractor::Ptr pExt);
    static void prepare(std::size_t pos, const stUser &obj, AbstractPreparator::Ptr pPreparator);
};

// The history row reader. Columns: ID, CallTime, ProcessTime, TimeOut, EmpID,
// EmpName, SevStatus, SevTotalSeconds, SevType, PagerNum, PagerName, Zone,
// Remark.
template <>
class TypeHandler<CCall>
{
public:
    static std::size_t size() { return 13; }
    static void extract(std::size_t pos, CCall &obj, const CCall &defVal, AbstractExtractor::Ptr pExt);
    static void prepare(std::size_t pos, const CCall &obj, AbstractPreparator::Ptr pPreparator);
};
}
