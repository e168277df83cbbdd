#include "shell/LoginDlg.h"

#include <QPushButton>

#include "data/DbManage.h"
#include "data/OperatorLogin.h"
#include "data/OperatorRules.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui_login.h"

CLoginDlg::CLoginDlg(DbManage &db, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CLoginDlg>()}
    , m_db {db}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::Login);
    // The login window's own name is fixed whatever the language.
    setWindowTitle(QStringLiteral("操作员登陆"));
    setControlTexts(*this, {
                               {"title", TextId::Login},
                               {"LabUser", TextId::Operator},
                               {"LabPassword", TextId::Password},
                               {"btnok", TextId::Login},
                               {"closebtn", TextId::Cancel},
                           });
    connect(m_ui->btnok, &QPushButton::clicked, this, &CLoginDlg::logIn);
    loadNames();
    m_ui->cboUsername->setFocus(Qt::OtherFocusReason);
}

CLoginDlg::~CLoginDlg() = default;

void CLoginDlg::loadNames()
{
    CComboEditUI &names = *m_ui->cboUsername;
    for (const std::string &name : m_db.GetOperatorNames())
        names.addItemInOrder(QString::fromStdString(name));
    for (int i = 0; i < names.count(); ++i) {
        if (OperatorRules::equalIgnoringAsciiCase(names.itemText(i).toStdString(), "admin")) {
            names.selectItem(i);
            break;
        }
    }
}

void CLoginDlg::logIn()
{
    const std::string name = m_ui->cboUsername->text().toStdString();
    if (name.empty()) {
        inform(this, TextId::SelectUser, TextId::Prompt, PromptIcon::Warning);
        return;
    }
    const LoginResult result = ::logIn(m_db, name, m_ui->editPassword->text().toStdString());
    switch (result.outcome) {
    case LoginResult::Outcome::LoggedIn:
    case LoginResult::Outcome::AdminCreated:
        m_user = result.user;
        done(ResultOk);
        break;
    case LoginResult::Outcome::WrongPassword:
        inform(this, TextId::PasswordError, NoCaption, PromptIcon::Warning);
        done(ResultCancelled);
        break;
    case LoginResult::Outcome::NoSuchOperator:
        inform(this, TextId::NoSuchUser, NoCaption, PromptIcon::Warning);
        done(ResultCancelled);
        break;
    case LoginResult::Outcome::Failed:
        break;
    }
}
