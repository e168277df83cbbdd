#include "shell/backup/DataClearDlg.h"

#include <optional>

#include <QDateTimeEdit>
#include <QPushButton>

#include "base/LocalTime.h"
#include "ui/UiText.h"
#include "ui_DataClear.h"

namespace
{
QDateTime qtDateTime(const Poco::LocalDateTime &time)
{
    return QDateTime(QDate(time.year(), time.month(), time.day()),
                     QTime(time.hour(), time.minute(), time.second(), time.millisecond()));
}

// Poco's constructor from fields takes the zone's offset as its standard
// offset plus one hour under daylight saving, which is wrong in a zone whose
// standard offset changed or whose rules call winter the saving time.
Poco::LocalDateTime pocoDateTime(const QDateTime &value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    const std::optional<Poco::LocalDateTime> local =
        localDateTime(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second());
    // The control holds only dates and times that exist. Added to the
    // instant: LocalDateTime's own arithmetic takes the offset as its
    // constructor does.
    return localFromTimestamp(instantOf(*local) + Poco::Timestamp::TimeDiff(time.msec()) * 1000);
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
