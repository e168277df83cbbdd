#include "shell/backup/AutoBackupDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>

#include "base/Clock.h"
#include "base/LocalTime.h"
#include "data/AutoBackup.h"
#include "data/DbManage.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui_AutoBackup.h"

CAutoBackupDlg::CAutoBackupDlg(DbManage &db, const IClock &clock, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CAutoBackupDlg>()}
    , m_db {db}
    , m_clock {clock}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::AutoBackup);
    setControlTexts(*this, {
                               {"title", TextId::AutoBackup},
                               {"OptAutoBackup", TextId::AutoBackupEnabled},
                               {"LabBackupTime", TextId::AutoBackupTime},
                               {"LabBackupFolder", TextId::AutoBackupFolder},
                               {"LabBackupKeep", TextId::AutoBackupKeep},
                               {"btnok", TextId::Ok},
                               {"btncancel", TextId::Cancel},
                           });
    // A row that cannot be read shows the defaults; the read logged why,
    // and OK then writes what is shown.
    m_stored = m_db.LoadAutoBackup().value_or(stAutoBackup());
    m_ui->OptAutoBackup->setChecked(m_stored.Enabled);
    m_ui->TimeBackup->setTime(QTime(m_stored.DailyAt / 60, m_stored.DailyAt % 60));
    m_ui->EditBackupFolder->setText(
        QString::fromStdString(AutoBackupSchedule::folderOf(m_stored, m_db.folder())));
    m_ui->SpinBackupKeep->setRange(stAutoBackup::MinKeep, stAutoBackup::MaxKeep);
    m_ui->SpinBackupKeep->setValue(m_stored.Keep);
    const QString lastGood = m_stored.LastGood
        ? QString::fromStdString(localText(localFromTimestamp(*m_stored.LastGood)))
        : uiText(TextId::AutoBackupNoneYet);
    m_ui->LabLastBackup->setText(uiText(TextId::AutoBackupLastGood, {lastGood}));
    connect(m_ui->btnok, &QPushButton::clicked, this, &CAutoBackupDlg::okClicked);
    connect(m_ui->btncancel, &QPushButton::clicked, this, [this] { done(ResultCancelled); });
}

CAutoBackupDlg::~CAutoBackupDlg() = default;

void CAutoBackupDlg::okClicked()
{
    stAutoBackup changed = m_stored;
    changed.Enabled = m_ui->OptAutoBackup->isChecked();
    const QTime time = m_ui->TimeBackup->time();
    changed.DailyAt = time.hour() * 60 + time.minute();
    changed.Folder = m_ui->EditBackupFolder->text().trimmed().toStdString();
    changed.Keep = m_ui->SpinBackupKeep->value();
    const auto failure = AutoBackup::storeSettings(m_db, m_stored, changed, m_clock.now());
    if (!failure) {
        done(ResultOk);
        return;
    }
    if (failure->folder)
        inform(this, uiText(TextId::AutoBackupFolderUnusable, {QString::fromStdString(failure->reason)}), NoCaption,
               PromptIcon::Error);
    else
        tellChangeNotSaved(this, m_db);
}
