#include "site/EmployeeFormDlg.h"

#include <QPushButton>

#include "data/DbManage.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "site/StoredText.h"
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
    StoredText::show(*m_ui->editEmpID, m_employee->EmpID);
    StoredText::show(*m_ui->editName, m_employee->EmpName);
    StoredText::show(*m_ui->editTelephone, m_employee->Telephone);
    StoredText::show(*m_ui->editRemark, m_employee->Remark);
    (m_employee->Gender ? m_ui->OptMale : m_ui->OptFemale)->setChecked(true);
    m_ui->editEmpID->setFocus(Qt::OtherFocusReason);
    connect(m_ui->btnok, &QPushButton::clicked, this, &EmployeeFormDlg::save);
}

EmployeeFormDlg::~EmployeeFormDlg() = default;

void EmployeeFormDlg::save()
{
    const std::string code = StoredText::taken(*m_ui->editEmpID, m_employee->EmpID);
    if (code.empty()) {
        inform(this, TextId::EnterAttendantId, NoCaption, PromptIcon::Warning);
        return;
    }
    if (code != m_employee->EmpID && m_db.EmpIDExists(code)) {
        inform(this, TextId::AttendantIdExists, NoCaption, PromptIcon::Warning);
        return;
    }
    const std::string name = StoredText::taken(*m_ui->editName, m_employee->EmpName);
    if (name.empty()) {
        inform(this, TextId::OperatorNameEmpty, NoCaption, PromptIcon::Warning);
        return;
    }
    m_employee->EmpID = code;
    m_employee->EmpName = name;
    m_employee->Gender = m_ui->OptMale->isChecked();
    m_employee->Telephone = StoredText::taken(*m_ui->editTelephone, m_employee->Telephone);
    m_employee->Remark = StoredText::taken(*m_ui->editRemark, m_employee->Remark);
    done(ResultOk);
}
