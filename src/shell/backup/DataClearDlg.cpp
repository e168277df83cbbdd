#include "shell/backup/DataClearDlg.h"

#include <QDateTimeEdit>
#include <QPushButton>

#include "ui/UiText.h"
#include "ui_DataClear.h"

namespace
{
QDateTime qtDateTime(const Poco::LocalDateTime &time)
{
    return QDateTime(QDate(time.year(), time.month(), time.day()),
                     QTime(time.hour(), time.minute(), time.second(), time.millisecond()));
}

Poco::LocalDateTime pocoDateTime(const QDateTime &value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    return Poco::LocalDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second(),
                               time.msec());
}
}

CDataClearDlg::CDataClearDlg(const Poco::LocalDateTime &now, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CDataClearDlg>()}
    , m_cutoff {now}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::ClearHistory);
    setControlTexts(*this, {
                               {"title", TextId::ClearBeforeDay},
                               {"LabEraseDate", TextId::SelectDate},
                               {"btnok", TextId::Clear},
                               {"btncancel", TextId::Cancel},
                           });
    m_ui->DateClear->setDateTime(qtDateTime(now));
    connect(m_ui->btnok, &QPushButton::clicked, this, &CDataClearDlg::clearClicked);
    connect(m_ui->btncancel, &QPushButton::clicked, this, [this] { done(ResultCancelled); });
}

CDataClearDlg::~CDataClearDlg() = default;

void CDataClearDlg::clearClicked()
{
    m_cutoff = pocoDateTime(m_ui->DateClear->dateTime());
    done(ResultOk);
}
