#pragma once

class DbManage;

// Keys 3 "Waiter" and 5 "Water"; zone "Hall" with pager "12" named
// "Table 12"; attendant Ann (code A07) on duty in the Hall from 08:00:00 to
// 12:00:00.
void seedSmallSite(DbManage &db);
