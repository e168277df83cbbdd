#include "site/AddAreaDlg.h"

CAddAreaDlg::CAddAreaDlg(DbManage &db, QWidget *owner)
    : AreaFormDlg {TextId::AddZone, db, QString(), owner}
{
}
