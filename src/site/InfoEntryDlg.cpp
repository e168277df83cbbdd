#include "site/InfoEntryDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui/controls/RecordListView.h"
#include "site/AddAreaDlg.h"
#include "site/AddPagerDlg.h"
#include "site/AlterAreaDlg.h"
#include "site/AlterPagerDlg.h"
#include "site/StoredText.h"
#include "ui_InfoEntry.h"

namespace
{
QString text(const std::string &value)
{
    return QString::fromStdString(value);
}

std::vector<CInfoEntryDlg::ZoneListModel::Column> zoneColumns()
{
    return {{uiText(TextId::ServiceZone), [](const IdText &zone) { return text(zone.second); }}};
}

std::vector<CInfoEntryDlg::PagerListModel::Column> pagerColumns()
{
    return {
        {uiText(TextId::PagerName), [](const stPager &p) { return text(p.Name); }, 100},
        {uiText(TextId::PagerNumber), [](const stPager &p) { return text(p.PagerNum); }, 100},
        {uiText(TextId::CallZone), [](const stPager &p) { return text(p.Zone); }},
    };
}
}

CInfoEntryDlg::CInfoEntryDlg(DbManage &db, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CInfoEntryDlg>()}
    , m_db {db}
    , m_zones {new ZoneListModel(zoneColumns(), this)}
    , m_pagers {new PagerListModel(pagerColumns(), this)}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::Pager);
    setTexts();
    showRecords(*m_ui->AreaList, *m_zones);
    showRecords(*m_ui->pagerList, *m_pagers);

    const std::pair<QAbstractButton *, int> tabs[] = {{m_ui->OptSevr, 0}, {m_ui->OptPlace, 1}, {m_ui->OptPager, 2}};
    for (const auto &[tab, page] : tabs) {
        connect(tab, &QAbstractButton::toggled, this, [this, page = page](bool on) {
            if (on)
                showPage(page);
        });
    }
    connect(m_ui->btnAddPos, &QPushButton::clicked, this, &CInfoEntryDlg::addZone);
    connect(m_ui->btnAlterPos, &QPushButton::clicked, this, &CInfoEntryDlg::alterZone);
    connect(m_ui->btnDeletePos, &QPushButton::clicked, this, &CInfoEntryDlg::deleteZone);
    connect(m_ui->btnAddPager, &QPushButton::clicked, this, &CInfoEntryDlg::addPager);
    connect(m_ui->btnAlterPager, &QPushButton::clicked, this, &CInfoEntryDlg::alterPager);
    connect(m_ui->btnDeletePager, &QPushButton::clicked, this, &CInfoEntryDlg::deletePager);

    loadKeys();
    loadPagers();
    loadZones();
    m_ui->OptSevr->setChecked(true);
    showPage(0);
}

CInfoEntryDlg::~CInfoEntryDlg() = default;

void CInfoEntryDlg::setTexts()
{
    setControlTexts(*this, {
                               {"title", TextId::Pager},
                               {"OptSevr", TextId::ServiceType},
                               {"OptPlace", TextId::Layout},
                               {"OptPager", TextId::Pagers},
                               {"btnAddPos", TextId::NewPosition},
                               {"btnAlterPos", TextId::ModifyPosition},
                               {"btnDeletePos", TextId::Delete},
                               {"btnAddPager", TextId::Add},
                               {"btnAlterPager", TextId::Modify},
                               {"btnDeletePager", TextId::Delete},
                           });
    for (int key = 1; key <= KeyCount; ++key) {
        if (auto *label = findChild<QLabel *>(QStringLiteral("labKey%1").arg(key)))
            label->setText(uiText(TextId::KeyNumber, {QString::number(key)}));
    }
}

void CInfoEntryDlg::showPage(int page)
{
    if (m_ui->InfoEntryTabLayout->currentIndex() != page)
        m_ui->InfoEntryTabLayout->setCurrentIndex(page);
}

QLineEdit *CInfoEntryDlg::keyEdit(int key) const
{
    return findChild<QLineEdit *>(QStringLiteral("editKey%1").arg(key));
}

void CInfoEntryDlg::loadKeys()
{
    for (const auto &[id, service] : m_db.GetServiceTypes()) {
        if (id > KeyCount)
            continue;
        m_keys[std::size_t(id)] = service;
        if (QLineEdit *edit = id > 0 ? keyEdit(int(id)) : nullptr)
            StoredText::show(*edit, service);
    }
}

void CInfoEntryDlg::loadPagers()
{
    m_pagers->setRecords(m_db.GetPagers());
}

void CInfoEntryDlg::loadZones()
{
    std::vector<ZoneListModel::RecordPtr> zones;
    for (IdText &zone : m_db.GetZones())
        zones.push_back(std::make_shared<IdText>(std::move(zone)));
    m_zones->setRecords(std::move(zones));
}

void CInfoEntryDlg::done(int result)
{
    if (!m_keysSaved) {
        m_keysSaved = true;
        saveKeys();
    }
    ChildDialog::done(result);
}

void CInfoEntryDlg::saveKeys()
{
    bool refused = false;
    for (int key = 1; key <= KeyCount; ++key) {
        const QLineEdit *edit = keyEdit(key);
        const std::string &stored = m_keys[std::size_t(key)];
        const std::string service = edit ? StoredText::taken(*edit, stored) : stored;
        if (service == stored)
            continue;
        if (m_db.SetServiceType(service, std::uint64_t(key)))
            m_keys[std::size_t(key)] = service;
        else
            refused = true;
    }
    // The window closes all the same: the user learns which way it went.
    if (refused)
        tellChangeNotSaved(this, m_db);
}

void CInfoEntryDlg::addZone()
{
    CAddAreaDlg add(m_db, this);
    if (add.run() != ResultOk)
        return;
    const std::string name = add.name().toStdString();
    const std::uint64_t id = m_db.InsertZone(name);
    if (id == 0) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    m_zones->append(std::make_shared<IdText>(id, name));
}

void CInfoEntryDlg::alterZone()
{
    const ZoneListModel::RecordPtr zone = m_zones->record(selectedRow(*m_ui->AreaList));
    if (!zone)
        return;
    CAlterAreaDlg alter(m_db, text(zone->second), this);
    if (alter.run() != ResultOk)
        return;
    const std::string name = alter.name().toStdString();
    if (!m_db.UpdateZone(name, zone->first)) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    zone->second = name;
    m_zones->refresh(m_zones->rowOf(zone.get()));
    for (const PagerListModel::RecordPtr &pager : m_pagers->records()) {
        if (pager->ZoneId == zone->first)
            pager->Zone = name;
    }
    m_pagers->refreshAll();
}

void CInfoEntryDlg::deleteZone()
{
    const ZoneListModel::RecordPtr zone = m_zones->record(selectedRow(*m_ui->AreaList));
    if (!zone)
        return;
    // The zone's pagers and duties go with it: ask before so much goes.
    const PromptMessage question {uiText(TextId::DeleteZoneQuestion, {text(zone->second)}),
                                  uiText(TextId::ProgramName), PromptIcon::Question, PromptButtons::YesNo,
                                  PromptAnswer::No};
    if (messagePrompt().show(this, question) != PromptAnswer::Yes)
        return;
    if (!m_db.DeleteZone(zone->second)) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    m_zones->remove(m_zones->rowOf(zone.get()));
    loadPagers();
}

CInfoEntryDlg::PagerListModel::RecordPtr CInfoEntryDlg::selectedPager()
{
    PagerListModel::RecordPtr pager = m_pagers->record(selectedRow(*m_ui->pagerList));
    if (!pager)
        inform(this, TextId::SelectPager, NoCaption, PromptIcon::Warning);
    return pager;
}

void CInfoEntryDlg::addPager()
{
    CAddPagerDlg add(m_db, this);
    if (add.run() != ResultOk)
        return;
    if (!m_db.InsertPager(*add.pager())) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    m_pagers->append(add.pager());
}

void CInfoEntryDlg::alterPager()
{
    const PagerListModel::RecordPtr pager = selectedPager();
    if (!pager)
        return;
    CAlterPagerDlg alter(m_db, *pager, this);
    if (alter.run() != ResultOk)
        return;
    if (!m_db.UpdatePager(*alter.pager())) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    m_pagers->replace(m_pagers->rowOf(pager.get()), alter.pager());
}

void CInfoEntryDlg::deletePager()
{
    const PagerListModel::RecordPtr pager = selectedPager();
    if (!pager)
        return;
    if (!confirm(this, TextId::DeletePagerQuestion, TextId::ProgramName, PromptAnswer::No))
        return;
    if (!m_db.DeletePager(pager->PagerNum)) {
        tellChangeNotSaved(this, m_db);
        return;
    }
    // The statement deletes every pager of this number.
    const std::string number = pager->PagerNum;
    for (int row = m_pagers->rowCount() - 1; row >= 0; --row) {
        if (m_pagers->record(row)->PagerNum == number)
            m_pagers->remove(row);
    }
}
