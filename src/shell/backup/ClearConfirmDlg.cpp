#include "shell/backup/ClearConfirmDlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "data/DbManage.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui_ClearConfirm.h"

CClearConfirmDlg::CClearConfirmDlg(DbManage &db, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CClearConfirmDlg>()}
    , m_db {db}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::ClearHistory);
    setControlTexts(*this, {
                               {"title", TextId::EnterAdminPassword},
                               {"btnok", TextId::Ok},
                               {"btncancel", TextId::Cancel},
                           });
    connect(m_ui->btnok, &QPushButton::clicked, this, &CClearConfirmDlg::okClicked);
    connect(m_ui->btncancel, &QPushButton::clicked, this, [this] { done(ResultCancelled); });
    m_ui->editPassword->setFocus(Qt::OtherFocusReason);
}

CClearConfirmDlg::~CClearConfirmDlg() = default;

void CClearConfirmDlg::okClicked()
{
    const std::optional<std::string> password = m_db.GetAdminPassword();
    if (!password) {
        inform(this, uiText(TextId::AdminPasswordUnreadable, {QString::fromStdString(m_db.lastFailure())}), NoCaption,
               PromptIcon::Error);
        return;
    }
    if (m_ui->editPassword->text().toStdString() == *password) {
        done(ResultOk);
        return;
    }
    inform(this, TextId::PasswordError, NoCaption, PromptIcon::Warning);
    m_ui->editPassword->selectAll();
    m_ui->editPassword->setFocus(Qt::OtherFocusReason);
}
