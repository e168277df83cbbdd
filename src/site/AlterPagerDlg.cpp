#include "site/AlterPagerDlg.h"

CAlterPagerDlg::CAlterPagerDlg(DbManage &db, const stPager &pager, QWidget *owner)
    : PagerFormDlg {TextId::ModifyPager, TextId::CallPosition, db, std::make_shared<stPager>(pager), owner}
{
}
