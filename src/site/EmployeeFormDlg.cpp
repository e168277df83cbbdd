#include "site/EmployeeFormDlg.h"

#include <QPushButton>

#include "data/DbManage.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui_AddEmployee.h"

EmployeeFormDlg::EmployeeFormDlg(TextId title, DbManage &db, EmployeePtr employee, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CAddEmployeeDlg>()}
    , m_db {db}
    , m_employee {std::move(employee)}
{
    m_ui->setupUi(this);
    setUpFrame(title);
    setControlTexts(*this, {
                               {"title", title},
                               {"LabEmpID", TextId::StaffNumber},
                               {"LabName", TextId::Name},
                               {"LabGender", TextId::Gender},
                               {"OptMale", TextId::Male},
                               {"OptFemale", TextId::Female},
                               {"LabTelephone", TextId::Telephone},
                               {"LabRemark", TextId::Remark},
                               {"btnok", TextId::Ok},
                               {"closebtn", TextId::Cancel},
                           });
    m_ui->editEmpID->setText(QString::fromStdString(m_employee->EmpID));
    m_ui->editName->setText(QString::fromStdString(m_employee->EmpName));
    m_ui->editTelephone->setText(QString::fromStdString(m_employee->Telephone));
    m_ui->editRemark->setText(QString::fromStdString(m_employee->Remark));
    (m_employee->Gender ? m_ui->OptMale : m_ui->OptFemale)->setChecked(true);
    m_ui->editEmpID->setFocus(Qt::OtherFocusReason);
    connect(m_ui->btnok, &QPushButton::clicked, this, &EmployeeFormDlg::save);
}

EmployeeFormDlg::~EmployeeFormDlg() = default;

void EmployeeFormDlg::save()
{
    const std::string code = m_ui->editEmpID->text().toStdString();
    if (code.empty()) {
        inform(this, TextId::EnterAttendantId, NoCaption, PromptIcon::Warning);
        return;
    }
    if (code != m_employee->EmpID && m_db.EmpIDExists(code)) {
        inform(this, TextId::AttendantIdExists, NoCaption, PromptIcon::Warning);
        return;
    }
    const std::string name = m_ui->editName->text().toStdString();
    if (name.empty()) {
        inform(this, TextId::OperatorNameEmpty, NoCaption, PromptIcon::Warning);
        return;
    }
    m_employee->EmpID = code;
    m_employee->EmpName = name;
    m_employee->Gender = m_ui->OptMale->isChecked();
    m_employee->Telephone = m_ui->editTelephone->text().toStdString();
    m_employee->Remark = m_ui->editRemark->text().toStdString();
    done(ResultOk);
}
