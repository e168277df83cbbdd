#include "shell/AlterPasswordDlg.h"

#include <QKeyEvent>
#include <QPushButton>

#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui_AlterPassword.h"

CAlterPasswordDlg::CAlterPasswordDlg(stUser &user, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CAlterPasswordDlg>()}
    , m_user {user}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::OperatorPassword);
    setControlTexts(*this, {
                               {"title", TextId::OperatorPassword},
                               {"LaboldPass", TextId::OldPassword},
                               {"LabNewPass", TextId::NewPassword},
                               {"LabCfmPass", TextId::ConfirmPassword},
                               {"btnok", TextId::Ok},
                               {"closebtn", TextId::Cancel},
                           });
    // Enter and leaving the field both finish the editing.
    connect(m_ui->oldPasswordEdit, &QLineEdit::editingFinished, this, &CAlterPasswordDlg::markOldPassword);
    connect(m_ui->newPasswordEdit, &QLineEdit::textChanged, this, &CAlterPasswordDlg::markConfirmation);
    connect(m_ui->confirmPasswordEdit, &QLineEdit::textChanged, this, &CAlterPasswordDlg::markConfirmation);
    connect(m_ui->newPasswordEdit, &QLineEdit::returnPressed, this,
            [this] { m_ui->confirmPasswordEdit->setFocus(Qt::TabFocusReason); });
    connect(m_ui->confirmPasswordEdit, &QLineEdit::returnPressed, this, &CAlterPasswordDlg::save);
    connect(m_ui->btnok, &QPushButton::clicked, this, &CAlterPasswordDlg::save);
    m_ui->oldPasswordEdit->setFocus(Qt::OtherFocusReason);
}

CAlterPasswordDlg::~CAlterPasswordDlg() = default;

// Enter reaches the window from a field that did not take it, or from a
// button: only a focused button acts on it.
void CAlterPasswordDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        ChildDialog::keyPressEvent(event);
        return;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(focusWidget()))
        button->click();
}

void CAlterPasswordDlg::markOldPassword()
{
    m_ui->oldPasswordOpt->setChecked(m_ui->oldPasswordEdit->text().toStdString() != m_user.Password);
}

void CAlterPasswordDlg::markConfirmation()
{
    m_ui->confirmPasswordOpt->setChecked(m_ui->newPasswordEdit->text() != m_ui->confirmPasswordEdit->text());
}

void CAlterPasswordDlg::save()
{
    if (m_ui->oldPasswordEdit->text().toStdString() != m_user.Password) {
        inform(this, TextId::OldPasswordError, NoCaption, PromptIcon::Warning);
        return;
    }
    if (m_ui->newPasswordEdit->text() != m_ui->confirmPasswordEdit->text()) {
        inform(this, TextId::NewPasswordMismatch, NoCaption, PromptIcon::Warning);
        return;
    }
    if (m_ui->newPasswordEdit->text().isEmpty()
        && !confirm(this, TextId::EmptyPasswordQuestion, TextId::Confirm, PromptAnswer::No))
        return;
    m_user.Password = m_ui->newPasswordEdit->text().toStdString();
    emit changed();
    done(ResultOk);
}
