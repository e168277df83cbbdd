#include "shell/OperatorFormDlg.h"

#include <QPushButton>

#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui_adduser.h"

OperatorFormDlg::OperatorFormDlg(TextId title, NameTaken nameTaken, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CAddUserDlg>()}
    , m_nameTaken {std::move(nameTaken)}
{
    m_ui->setupUi(this);
    setUpFrame(title);
    setControlTexts(*this, {
                               {"title", title},
                               {"LabOperator", TextId::Operator},
                               {"LabGender", TextId::Gender},
                               {"OptMale", TextId::Male},
                               {"OptFemale", TextId::Female},
                               {"LabPost", TextId::Post},
                               {"btnok", TextId::Ok},
                               {"closebtn", TextId::Cancel},
                           });
    connect(m_ui->btnok, &QPushButton::clicked, this, [this] { save(); });
    m_ui->EditUserName->setFocus(Qt::OtherFocusReason);
}

OperatorFormDlg::~OperatorFormDlg() = default;

void OperatorFormDlg::showFields(const stUser &user)
{
    m_ui->EditUserName->setText(QString::fromStdString(user.Operator));
    m_ui->EditPost->setText(QString::fromStdString(user.Post));
    (user.Gender ? m_ui->OptMale : m_ui->OptFemale)->setChecked(true);
}

bool OperatorFormDlg::takeFields(stUser &user)
{
    const QString name = m_ui->EditUserName->text();
    if (name.isEmpty()) {
        inform(this, TextId::OperatorNameEmpty, TextId::ProgramName, PromptIcon::Warning);
        return false;
    }
    // Two names equal but for case would leave the login to pick one of them.
    if (m_nameTaken && m_nameTaken(name)) {
        inform(this, TextId::OperatorNameInUse, NoCaption, PromptIcon::Warning);
        return false;
    }
    user.Operator = name.toStdString();
    user.Gender = m_ui->OptMale->isChecked();
    user.Post = m_ui->EditPost->text().toStdString();
    return true;
}
