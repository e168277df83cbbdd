#include "shell/AddUserDlg.h"

#include "shell/OperatorTexts.h"

CAddUserDlg::CAddUserDlg(QWidget *owner, NameTaken nameTaken)
    : OperatorFormDlg {OperatorTexts::AddTitle, std::move(nameTaken), owner}
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
