#pragma once

class CCall;

// Sort keys of the call lists: a column index 1 to 9, positive or negative
// (a header click sorts by +k, the next one by -k).
bool isSortKey(int key);

// Negative when a comes before b under the key, 0 when they tie.
int compareForSortKey(const CCall &a, const CCall &b, int key);

// The order in which the row limit gives up rows: open calls first, newer
// call times first, then newer answer times. The last row in this order is
// the first to go, and only if it is answered.
bool comesBeforeInTrimOrder(const CCall &a, const CCall &b);
