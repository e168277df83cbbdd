#pragma once

#include <memory>
#include <set>
#include <vector>

#include "data/DbManage.h"
#include "ui/ChildDialog.h"
#include "ui/controls/RecordListModel.h"

namespace Ui
{
class CEmployeeDlg;
}

// The staff window: the attendants and the duty timetable, on two pages.
// Timetable rows link to the attendant records of the first page, so an
// attendant's new staff number or name shows in its duties, and deleting an
// attendant removes its duties from the page as the database removes them.
// Each change is stored at once by its button and shown only once stored; a
// refused change is reported with the database's reason and leaves the
// lists as they were. Duties that overlap another of their zone show in
// red: a call in the shared time goes to one of them only. Changing the
// attendant or zone of one part of a duty across midnight offers to change
// the other part too. Header clicks sort either list. Main thread only.
class CEmployeeDlg : public ChildDialog
{
    Q_OBJECT

public:
    using EmployeeListModel = RecordListModel<stEmployee>;
    using DutyListModel = RecordListModel<stDuty>;

    CEmployeeDlg(DbManage &db, QWidget *owner);
    ~CEmployeeDlg() override;

    const EmployeeListModel &employees() const
    {
        return *m_employees;
    }
    const DutyListModel &duties() const
    {
        return *m_duties;
    }

private:
    void setTexts();
    void showPage(int page);
    void load();
    // The selected row's record, or none after asking the user to select one.
    EmployeePtr selectedEmployee();
    DutyPtr selectedDuty();
    // Links a duty to the page's record of its attendant; none when the
    // attendant is not on the page.
    void link(stDuty &duty) const;
    // Stores new duties and lists each one stored, up to a refusal.
    void insertDuties(std::vector<stDuty> duties);
    // Marks the duties that overlap another, after any change of the list.
    void markOverlaps();
    // Offers the other part of a duty across midnight the attendant and
    // zone its first part was given.
    void changeOtherPart(const stDuty &before, const stDuty &after);

    void addEmployee();
    void alterEmployee();
    void deleteEmployee();
    void addDuty();
    void alterDuty();
    void deleteDuty();

    std::unique_ptr<Ui::CEmployeeDlg> m_ui;
    DbManage &m_db;
    EmployeeListModel *m_employees;
    DutyListModel *m_duties;
    std::set<const stDuty *> m_overlapping;
};
