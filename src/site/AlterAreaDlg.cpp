#include "site/AlterAreaDlg.h"

CAlterAreaDlg::CAlterAreaDlg(DbManage &db, const QString &current, QWidget *owner)
    : AreaFormDlg {TextId::ModifyZone, db, current, owner}
{
}
