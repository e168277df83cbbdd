#include "site/AddPagerDlg.h"

CAddPagerDlg::CAddPagerDlg(DbManage &db, QWidget *owner)
    : PagerFormDlg {TextId::AddPager, TextId::CallZone, db, std::make_shared<stPager>(), owner}
{
}
