#include "site/AreaFormDlg.h"

#include <QPushButton>

#include "data/DbManage.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "site/StoredText.h"
#include "ui_AddArea.h"

AreaFormDlg::AreaFormDlg(TextId title, DbManage &db, const QString &name, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CAddAreaDlg>()}
    , m_db {db}
{
    m_ui->setupUi(this);
    setUpFrame(title);
    setControlTexts(*this, {
                               {"title", title},
                               {"LabZone", TextId::ServiceZone},
                               {"btnok", TextId::Ok},
                               {"closebtn", TextId::Cancel},
                           });
    StoredText::show(*m_ui->EditArea, name.toStdString());
    m_ui->EditArea->selectAll();
    m_ui->EditArea->setFocus(Qt::OtherFocusReason);
    connect(m_ui->btnok, &QPushButton::clicked, this, &AreaFormDlg::save);
}

AreaFormDlg::~AreaFormDlg() = default;

QString AreaFormDlg::name() const
{
    return m_ui->EditArea->text();
}

void AreaFormDlg::save()
{
    const QString zone = name();
    if (zone.isEmpty()) {
        inform(this, TextId::PositionEmpty, NoCaption, PromptIcon::Warning);
        return;
    }
    if (m_db.ZoneExists(zone.toStdString())) {
        inform(this, TextId::ZoneExists, NoCaption, PromptIcon::Warning);
        return;
    }
    done(ResultOk);
}
