#include "shell/AddUserDlg.h"

CAddUserDlg::CAddUserDlg(QWidget *owner, NameTaken nameTaken)
    : OperatorFormDlg {TextId::NewOperator, std::move(nameTaken), owner}
{
}

void CAddUserDlg::save()
{
    auto user = std::make_shared<stUser>();
    if (!takeFields(*user))
        return;
    emit added(user);
    done(ResultOk);
}
