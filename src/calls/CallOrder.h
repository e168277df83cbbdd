#pragma once

#include <array>
#include <cstddef>

class CCall;

// Sort keys of the call lists and the history list: a column index 1 to 9,
// positive or negative (a header click sorts by +k, the next one by -k).
bool isSortKey(int key);

// The fields a sort key looks at.
enum class SortField
{
    PagerName,
    PagerNum,
    SevType,
    CallTime,
    EmpID,
    Zone,
    ProcessTime,
    SevStatus,
    ServiceTime,
    Remark,
};

// Any thread; an object is used by one thread at a time.
struct SortStep
{
    SortField field;
    bool descending;
};

// What one sort key compares, in turn. With answeredFirst, the higher
// SevStatus comes first, and two calls that are not answered tie: the steps
// then order only answered calls.
struct SortPlan
{
    bool answeredFirst = false;
    std::array<SortStep, 3> steps {};
    std::size_t stepCount = 0;
};

// The plan of a sort key; an empty plan (all rows tie) for anything else.
SortPlan sortPlan(int key);

// The order a plan gives two rows of any kind. compare(field) is a's order
// against b's on that one field, ascending: negative, 0 or positive; times
// and spans compare in the whole seconds the lists show, texts in UTF-16
// code unit order.
template <typename Compare>
int compareByPlan(const SortPlan &plan, bool aAnswered, Compare &&compare)
{
    if (plan.answeredFirst) {
        if (const int status = compare(SortField::SevStatus))
            return -status;
        if (!aAnswered)
            return 0;
    }
    for (std::size_t i = 0; i < plan.stepCount; ++i) {
        if (const int order = compare(plan.steps[i].field))
            return plan.steps[i].descending ? -order : order;
    }
    return 0;
}

// Negative when a comes before b under the key, 0 when they tie.
int compareForSortKey(const CCall &a, const CCall &b, int key);

// The order in which the row limit gives up rows: open calls first, newer
// call times first, then newer answer times. The last row in this order is
// the first to go, and only if it is answered.
bool comesBeforeInTrimOrder(const CCall &a, const CCall &b);
