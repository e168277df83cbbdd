#include "site/PagerFormDlg.h"

#include <QPushButton>

#include "data/DbManage.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "site/PagerNumberFilter.h"
#include "site/StoredText.h"
#include "site/ZoneCombo.h"
#include "ui_AddPager.h"

PagerFormDlg::PagerFormDlg(TextId title, TextId zoneLabel, DbManage &db, PagerPtr pager, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CAddPagerDlg>()}
    , m_db {db}
    , m_pager {std::move(pager)}
{
    m_ui->setupUi(this);
    setUpFrame(title);
    setControlTexts(*this, {
                               {"title", title},
                               {"LabName", TextId::PagerName},
                               {"LabAddr", TextId::PagerNumber},
                               {"LabZone", zoneLabel},
                               {"btnok", TextId::Ok},
                               {"closebtn", TextId::Cancel},
                           });
    // The number must be the very text the receiver sends: no input method.
    m_ui->PagerCodeEdit->setValidator(new PagerNumberFilter(m_ui->PagerCodeEdit));
    m_ui->PagerCodeEdit->setAttribute(Qt::WA_InputMethodEnabled, false);
    StoredText::show(*m_ui->PagerEdit, m_pager->Name);
    StoredText::show(*m_ui->PagerCodeEdit, m_pager->PagerNum);
    ZoneCombo::fill(*m_ui->CboArea, m_db.GetZones(), m_pager->ZoneId);
    m_ui->PagerEdit->setFocus(Qt::OtherFocusReason);
    connect(m_ui->btnok, &QPushButton::clicked, this, &PagerFormDlg::save);
}

PagerFormDlg::~PagerFormDlg() = default;

void PagerFormDlg::save()
{
    const std::string name = StoredText::taken(*m_ui->PagerEdit, m_pager->Name);
    if (name.empty()) {
        inform(this, TextId::PagerNameEmpty, NoCaption, PromptIcon::Warning);
        return;
    }
    const std::string number = StoredText::taken(*m_ui->PagerCodeEdit, m_pager->PagerNum);
    if (number.empty()) {
        inform(this, TextId::PagerNumberEmpty, NoCaption, PromptIcon::Warning);
        return;
    }
    if (number != m_pager->PagerNum && m_db.PagerExists(number)) {
        inform(this, TextId::PagerNumberUsed, NoCaption, PromptIcon::Warning);
        return;
    }
    if (const auto zone = ZoneCombo::chosen(*m_ui->CboArea)) {
        m_pager->ZoneId = zone->first;
        m_pager->Zone = zone->second;
    }
    m_pager->PagerNum = number;
    m_pager->Name = name;
    done(ResultOk);
}
