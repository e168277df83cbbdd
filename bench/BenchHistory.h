#pragma once

class DbManage;

// Fills the history with rows calls spread evenly over ten years up to now,
// on twenty zones; one in a hundred of the old ones never answered, and the
// last hour's still open. The same rows for the same count.
void buildHistory(DbManage &db, long rows);
