#include "shell/AlterUserDlg.h"

#include <QLineEdit>

#include "data/OperatorRules.h"
#include "ui_adduser.h"

CAlterUserDlg::CAlterUserDlg(stUser &user, QWidget *owner, NameTaken nameTaken)
    : OperatorFormDlg {TextId::ModifyOperator, std::move(nameTaken), owner}
    , m_user {user}
{
    showFields(user);
    if (OperatorRules::isAdminName(user.Operator)) {
        form().EditUserName->setEnabled(false);
        form().EditPost->setFocus(Qt::OtherFocusReason);
    }
}

void CAlterUserDlg::save()
{
    stUser changed = m_user;
    if (!takeFields(changed))
        return;
    m_user = changed;
    emit modified();
    done(ResultOk);
}
