#include "site/EmployeeDlg.h"

#include <QBrush>
#include <QColor>
#include <QPushButton>
#include <QStackedWidget>

#include "data/DutyRules.h"
#include "data/StaffOrder.h"
#include "calls/CallText.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui/controls/RecordListView.h"
#include "site/AddDutyDlg.h"
#include "site/AddEmployeeDlg.h"
#include "site/AlterDutyDlg.h"
#include "site/AlterEmployeeDlg.h"
#include "site/DutyTexts.h"
#include "site/SortingHeader.h"
#include "ui_employee.h"

namespace
{
QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

std::vector<CEmployeeDlg::EmployeeListModel::Column> employeeColumns()
{
    return {
        {uiText(TextId::StaffNumber), [](const stEmployee &e) { return text(e.EmpID); }, 70},
        {uiText(TextId::Name), [](const stEmployee &e) { return text(e.EmpName); }, 100},
        {uiText(TextId::Gender), [](const stEmployee &e) { return uiText(e.Gender ? TextId::Male : TextId::Female); },
         50},
        {uiText(TextId::Telephone), [](const stEmployee &e) { return text(e.Telephone); }, 100},
        {uiText(TextId::Remark), [](const stEmployee &e) { return text(e.Remark); }},
    };
}

// A duty whose attendant is not on the page says so in both attendant columns.
QString attendantText(const stDuty &duty, std::string stEmployee::*field)
{
    return duty.Employee ? text((*duty.Employee).*field) : uiText(TextId::NotSet);
}

std::vector<CEmployeeDlg::DutyListModel::Column> dutyColumns()
{
    return {
        {uiText(TextId::StaffNumber), [](const stDuty &d) { return attendantText(d, &stEmployee::EmpID); }, 70},
        {uiText(TextId::Name), [](const stDuty &d) { return attendantText(d, &stEmployee::EmpName); }, 100},
        {uiText(TextId::StartDate), [](const stDuty &d) { return text(spanText(d.BeginTime)); }, 80},
        {uiText(TextId::EndDate), [](const stDuty &d) { return text(spanText(d.EndTime)); }, 80},
        {uiText(TextId::ServiceZone), [](const stDuty &d) { return text(d.Zone); }},
    };
}
}

CEmployeeDlg::CEmployeeDlg(DbManage &db, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CEmployeeDlg>()}
    , m_db {db}
    , m_employees {new EmployeeListModel(employeeColumns(), this)}
    , m_duties {new DutyListModel(dutyColumns(), this)}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::Attendants);
    setTexts();
    showRecords(*m_ui->EmpInfoList, *m_employees);
    showRecords(*m_ui->DutyList, *m_duties);
    m_duties->setRowRole([this](const stDuty &duty, int role) {
        return role == Qt::ForegroundRole && m_overlapping.count(&duty) != 0 ? QVariant(QBrush(QColor(0xC0, 0, 0)))
                                                                            : QVariant();
    });

    auto *employeeHeader = new SortingHeader(*m_ui->EmpInfoList, m_employees->columnCount());
    connect(employeeHeader, &SortingHeader::sortRequested, this, [this](int key) {
        m_employees->sortBy([key](const stEmployee &a, const stEmployee &b) {
            return StaffOrder::attendantComesBefore(a, b, key);
        });
    });
    auto *dutyHeader = new SortingHeader(*m_ui->DutyList, m_duties->columnCount());
    connect(dutyHeader, &SortingHeader::sortRequested, this, [this](int key) {
        m_duties->sortBy([key](const stDuty &a, const stDuty &b) { return StaffOrder::dutyComesBefore(a, b, key); });
    });

    connect(m_ui->OptEmpInfo, &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            showPage(0);
    });
    connect(m_ui->OptDuty, &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            showPage(1);
    });
    connect(m_ui->btnEmpAdd, &QPushButton::clicked, this, &CEmployeeDlg::addEmployee);
    connect(m_ui->btnEmpAlter, &QPushButton::clicked, this, &CEmployeeDlg::alterEmployee);
    connect(m_ui->btnEmpDelete, &QPushButton::clicked, this, &CEmployeeDlg::deleteEmployee);
    connect(m_ui->btnDutyAdd, &QPushButton::clicked, this, &CEmployeeDlg::addDuty);
    connect(m_ui->btnDutyAlter, &QPushButton::clicked, this, &CEmployeeDlg::alterDuty);
    connect(m_ui->btnDutyDelete, &QPushButton::clicked, this, &CEmployeeDlg::deleteDuty);

    load();
    m_ui->OptEmpInfo->setChecked(true);
    showPage(0);
}

CEmployeeDlg::~CEmployeeDlg() = default;

void CEmployeeDlg::setTexts()
{
    setControlTexts(*this, {
                               {"title", TextId::Attendants},
                               {"OptEmpInfo", TextId::AttendantInfo},
                               {"OptDuty", TextId::Timetable},
                               {"btnEmpAdd", TextId::Add},
                               {"btnEmpAlter", TextId::Modify},
                               {"btnEmpDelete", TextId::Delete},
                               {"btnDutyAdd", TextId::Add},
                               {"btnDutyAlter", TextId::Modify},
                               {"btnDutyDelete", TextId::Delete},
                           });
}

void CEmployeeDlg::showPage(int page)
{
    if (m_ui->EmpTabLayout->currentIndex() != page)
        m_ui->EmpTabLayout->setCurrentIndex(page);
}

void CEmployeeDlg::load()
{
    std::vector<EmployeePtr> employees;
    m_db.GetEmployees(employees);
    m_employees->setRecords(std::move(employees));
    std::vector<DutyPtr> duties = m_db.GetDuties();
    for (const DutyPtr &duty : duties)
        link(*duty);
    m_duties->setRecords(std::move(duties));
    markOverlaps();
}

void CEmployeeDlg::markOverlaps()
{
    const std::vector<DutyPtr> &duties = m_duties->records();
    const std::vector<bool> overlapping = DutyRules::overlapping(duties);
    m_overlapping.clear();
    for (std::size_t i = 0; i < duties.size(); ++i) {
        if (overlapping[i])
            m_overlapping.insert(duties[i].get());
    }
    m_duties->refreshAll();
}

EmployeePtr CEmployeeDlg::selectedEmployee()
{
    EmployeePtr employee = m_employees->record(selectedRow(*m_ui->EmpInfoList));
    if (!employee)
        inform(this, TextId::SelectAttendant, NoCaption, PromptIcon::Information);
    return employee;
}

DutyPtr CEmployeeDlg::selectedDuty()
{
    DutyPtr duty = m_duties->record(selectedRow(*m_ui->DutyList));
    if (!duty)
        inform(this, TextId::SelectAttendant, NoCaption, PromptIcon::Information);
    return duty;
}

void CEmployeeDlg::link(stDuty &duty) const
{
    for (const EmployeePtr &employee : m_employees->records()) {
        if (employee->ID == duty.EmpID) {
            duty.Employee = employee;
            return;
        }
    }
    duty.Employee.reset();
}

void CEmployeeDlg::addEmployee()
{
    CAddEmployeeDlg add(m_db, this);
    if (add.run() != ResultOk)
        return;
    if (!m_db.InsertEmployee(*add.employee())) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    m_employees->append(add.employee());
}

void CEmployeeDlg::alterEmployee()
{
    const EmployeePtr employee = selectedEmployee();
    if (!employee)
        return;
    CAlterEmployeeDlg alter(m_db, *employee, this);
    if (alter.run() != ResultOk)
        return;
    if (!m_db.UpdateEmployee(*alter.employee())) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    // Into the shared record itself: its duty rows show the change too.
    *employee = *alter.employee();
    m_employees->refresh(m_employees->rowOf(employee.get()));
    m_duties->refreshAll();
}

void CEmployeeDlg::deleteEmployee()
{
    const EmployeePtr employee = selectedEmployee();
    if (!employee)
        return;
    const PromptMessage question {uiText(TextId::DeleteQuestion) + text(employee->EmpName) + u'?',
                                  uiText(TextId::ProgramName), PromptIcon::Question, PromptButtons::YesNo,
                                  PromptAnswer::No};
    if (messagePrompt().show(this, question) != PromptAnswer::Yes)
        return;
    if (!m_db.DeleteEmployee(employee->ID)) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    m_employees->remove(m_employees->rowOf(employee.get()));
    // The database has deleted the attendant's duties with it.
    for (int row = m_duties->rowCount() - 1; row >= 0; --row) {
        if (m_duties->record(row)->EmpID == employee->ID)
            m_duties->remove(row);
    }
    markOverlaps();
}

void CEmployeeDlg::insertDuties(std::vector<stDuty> duties)
{
    for (stDuty &duty : duties) {
        auto stored = std::make_shared<stDuty>(std::move(duty));
        if (!m_db.InsertDuty(*stored)) {
            tellChangeNotSaved(this, m_db);
            break;
        }
        m_duties->append(stored);
    }
    markOverlaps();
}

void CEmployeeDlg::addDuty()
{
    CAddDutyDlg add(m_db, this);
    if (add.run() != ResultOk)
        return;
    std::vector<stDuty> duties = add.duties();
    // The window read its own copies of the attendants; the row follows the
    // page's record, so later changes and deletions show in it.
    for (stDuty &duty : duties)
        link(duty);
    insertDuties(std::move(duties));
}

void CEmployeeDlg::alterDuty()
{
    const DutyPtr duty = selectedDuty();
    if (!duty)
        return;
    CAlterDutyDlg alter(m_db, m_employees->records(), *duty, this);
    if (alter.run() != ResultOk)
        return;
    std::vector<stDuty> duties = alter.duties();
    if (!m_db.UpdateDuty(duties.front())) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    const stDuty before = *duty;
    *duty = duties.front();
    m_duties->refresh(m_duties->rowOf(duty.get()));
    duties.erase(duties.begin());
    insertDuties(std::move(duties));
    changeOtherPart(before, *duty);
}

// The two rows of a night duty are one duty to the user: reassigning the
// evening alone would leave the morning with the attendant who went.
void CEmployeeDlg::changeOtherPart(const stDuty &before, const stDuty &after)
{
    if (before.EmpID == after.EmpID && before.ZoneId == after.ZoneId)
        return;
    const DutyPtr other = DutyRules::otherPart(before, m_duties->records());
    if (!other)
        return;
    const QString text = uiText(TextId::ChangeOtherPart, {DutyTexts::duty(*other, other->Employee.get())});
    const PromptMessage question {text, uiText(TextId::ProgramName), PromptIcon::Question, PromptButtons::YesNo};
    if (messagePrompt().show(this, question) != PromptAnswer::Yes)
        return;
    stDuty changed = *other;
    changed.EmpID = after.EmpID;
    changed.Employee = after.Employee;
    changed.ZoneId = after.ZoneId;
    changed.Zone = after.Zone;
    if (!m_db.UpdateDuty(changed)) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    *other = changed;
    markOverlaps();
}

void CEmployeeDlg::deleteDuty()
{
    const DutyPtr duty = selectedDuty();
    if (!duty)
        return;
    if (!confirm(this, TextId::DeleteDutyQuestion, TextId::ProgramName, PromptAnswer::No))
        return;
    if (!m_db.DeleteDuty(duty->ID)) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    m_duties->remove(m_duties->rowOf(duty.get()));
    markOverlaps();
}
