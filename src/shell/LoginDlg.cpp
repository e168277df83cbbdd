#include "shell/LoginDlg.h"

#include <optional>

#include <QPushButton>

#include "data/DbManage.h"
#include "data/OperatorRules.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "shell/OperatorTexts.h"
#include "ui_login.h"

CLoginDlg::CLoginDlg(DbManage &db, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CLoginDlg>()}
    , m_db {db}
{
    m_ui->setupUi(this);
    setUpFrame(OperatorTexts::Login);
    // The login window's own name is fixed whatever the language.
    setWindowTitle(QStringLiteral("操作员登陆"));
    setControlTexts(*this, {
                               {"title", OperatorTexts::Login},
                               {"LabUser", OperatorTexts::OperatorLabel},
                               {"LabPassword", OperatorTexts::PasswordLabel},
                               {"btnok", OperatorTexts::Login},
                               {"closebtn", OperatorTexts::Cancel},
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
        informById(this, OperatorTexts::SelectUser, PromptCaption::Prompt, PromptIcon::Warning);
        return;
    }
    const std::string password = m_ui->editPassword->text().toStdString();

    // Names that differ only in case may have been stored before duplicates
    // were refused: the row whose password matches logs in.
    bool found = false;
    std::optional<stUser> matched;
    m_db.FindOperator(name, [&](const std::string &stored, const std::string &post, bool gender,
                                std::uint64_t authority) {
        found = true;
        if (!matched && stored == password)
            matched = stUser {gender, static_cast<std::uint8_t>(authority), 0, password, name, post};
    });

    if (matched) {
        m_user = *matched;
        done(ResultOk);
    } else if (found) {
        informById(this, OperatorTexts::PasswordError, OperatorTexts::NoCaption, PromptIcon::Warning);
        done(ResultCancelled);
    } else if (OperatorRules::isAdminName(name)) {
        if (createAdmin(name))
            done(ResultOk);
    } else {
        informById(this, OperatorTexts::NoSuchUser, OperatorTexts::NoCaption, PromptIcon::Warning);
        done(ResultCancelled);
    }
}

bool CLoginDlg::createAdmin(const std::string &name)
{
    // The account keeps the name as typed; its password starts empty
    // whatever was typed.
    stUser admin {false, OperatorRules::AdminAuthority, 0, {}, name, {}};
    if (!m_db.InsertOperator(admin))
        return false;
    m_user = admin;
    return true;
}
