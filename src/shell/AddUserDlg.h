#pragma once

#include <memory>

#include "shell/OperatorFormDlg.h"

// The add window: a new operator, without rights and with an empty password,
// handed to the owner through added() before the window ends with ResultOk.
//
// Main thread only.
class CAddUserDlg : public OperatorFormDlg
{
    Q_OBJECT

public:
    CAddUserDlg(QWidget *owner, NameTaken nameTaken);

signals:
    void added(const std::shared_ptr<stUser> &user);

private:
    void save() override;
};
