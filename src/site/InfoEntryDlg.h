#pragma once

#include <array>
#include <memory>
#include <string>

#include "data/DbManage.h"
#include "ui/ChildDialog.h"
#include "ui/controls/RecordListModel.h"

class QLineEdit;

namespace Ui
{
class CInfoEntryDlg;
}

// The site window: the service of each of the fifteen keys, the zones and
// the pagers, on three pages. Zone and pager changes are stored at once by
// their buttons and shown only once stored; a refused change is reported
// with the database's reason and leaves the lists as they were. The keys are
// stored when the window closes, and only those whose text changed.
// Main thread only.
class CInfoEntryDlg : public ChildDialog
{
    Q_OBJECT

public:
    static constexpr int KeyCount = 15;

    using ZoneListModel = RecordListModel<IdText>;
    using PagerListModel = RecordListModel<stPager>;

    CInfoEntryDlg(DbManage &db, QWidget *owner);
    ~CInfoEntryDlg() override;

    const ZoneListModel &zones() const
    {
        return *m_zones;
    }
    const PagerListModel &pagers() const
    {
        return *m_pagers;
    }

    // Every way of closing ends here: the keys are saved first.
    void done(int result) override;

private:
    void setTexts();
    void showPage(int page);
    void loadKeys();
    void loadPagers();
    void loadZones();
    void saveKeys();
    QLineEdit *keyEdit(int key) const;
    // The selected pager, or none after asking the user to select one.
    PagerListModel::RecordPtr selectedPager();

    void addZone();
    void alterZone();
    void deleteZone();
    void addPager();
    void alterPager();
    void deletePager();

    std::unique_ptr<Ui::CInfoEntryDlg> m_ui;
    DbManage &m_db;
    // The last loaded or saved text of each key, by key number.
    std::array<std::string, KeyCount + 1> m_keys;
    ZoneListModel *m_zones;
    PagerListModel *m_pagers;
    bool m_keysSaved = false;
};
