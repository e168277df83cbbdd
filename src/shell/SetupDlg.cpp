#include "shell/SetupDlg.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFont>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>

#include "base/Language.h"
#include "base/LocalTime.h"
#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "data/SetupRules.h"
#include "receiver/ReceiverLink.h"
#include "calls/CallDesk.h"
#include "calls/ISoundPlayer.h"
#include "board/LiveBoard.h"
#include "ui/ColourChooser.h"
#include "ui/Colours.h"
#include "ui/FileChooser.h"
#include "ui/LayoutTexts.h"
#include "ui/MessagePrompt.h"
#include "ui/QrCodeImage.h"
#include "ui/UiText.h"
#include "ui/controls/ComboExUI.h"
#include "ui/controls/RecordListView.h"
#include "ui/controls/TimeUI.h"
#include "shell/MainFrameDlg.h"
#include "ui_setup.h"

namespace
{
constexpr const char *ColourProperty = "colour";
// The Chinese texts are shorter: the window is narrower in Chinese.
constexpr int EnglishWidth = 580;
constexpr int ChineseWidth = 480;
constexpr int Height = 400;

constexpr Poco::Timespan::TimeDiff SecondsPerDay = 24 * 3600;

constexpr int MinBoardPort = 1;
constexpr int MaxBoardPort = 65535;
// Pixels per module: a link's code fits a symbol of about 40 modules, which
// stays within the page at this size and is read by a phone's camera off a
// screen.
constexpr int QrModulePixels = 3;

// What the time-of-day editor shows of a duration: 00:00:00 for one of a
// day or more, which it cannot show.
int shownSeconds(const Poco::Timespan &duration)
{
    const Poco::Timespan::TimeDiff seconds = duration.totalSeconds();
    return seconds >= 0 && seconds < SecondsPerDay ? static_cast<int>(seconds) : 0;
}

void showDuration(CTimeUI &editor, const Poco::Timespan &duration)
{
    const int seconds = shownSeconds(duration);
    editor.setTime(seconds / 3600, seconds / 60 % 60, seconds % 60);
}

// An editor left as it was keeps the stored duration, so that one the editor
// cannot show is not written back as what it shows.
Poco::Timespan durationOf(const CTimeUI &editor, const Poco::Timespan &stored)
{
    if (editor.secondsOfDay() == shownSeconds(stored))
        return stored;
    return Poco::Timespan(editor.secondsOfDay(), 0);
}

QString timeText(const std::optional<Poco::Timestamp> &instant)
{
    return instant ? QString::fromStdString(localText(localFromTimestamp(*instant))) : QString();
}

std::vector<RecordListModel<stBoardDevice>::Column> deviceColumns()
{
    return {
        {uiText(TextId::Name), [](const stBoardDevice &d) { return QString::fromStdString(d.Name); }, 170},
        {uiText(TextId::BoardPairedAt), [](const stBoardDevice &d) { return timeText(d.PairedAt); }, 130},
        {uiText(TextId::BoardLastSeen), [](const stBoardDevice &d) { return timeText(d.LastSeen); }},
    };
}

void takeOption(SetupRecord &record, std::uint8_t option, const QCheckBox &box)
{
    if (box.isChecked())
        record.Option |= option;
    else
        record.Option &= static_cast<std::uint8_t>(~option);
}

}

CSetupDlg::CSetupDlg(CMainFrameDlg &desk, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CSetupDlg>()}
    , m_desk {desk}
    , m_colours {{
          {nullptr, &SetupRecord::Warn1Bkcolor},
          {nullptr, &SetupRecord::Warn1txtcolor},
          {nullptr, &SetupRecord::Warn2Bkcolor},
          {nullptr, &SetupRecord::Warn2txtcolor},
          {nullptr, &SetupRecord::TimeoutBkcolor},
          {nullptr, &SetupRecord::Timeouttxtcolor},
          {nullptr, &SetupRecord::NoReplyBkcolor},
          {nullptr, &SetupRecord::NoReplytxtcolor},
          {nullptr, &SetupRecord::HasReplyBkcolor},
          {nullptr, &SetupRecord::HasReplytxtcolor},
      }}
    , m_devices {new DeviceListModel(deviceColumns(), this)}
    , m_openedLanguage {desk.setup().LCID}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::SystemSettings);
    setUpTexts();
    setFixedSize(uiLanguage() == Lcid::Chinese ? ChineseWidth : EnglishWidth, Height);

    QAbstractButton *const colourButtons[] = {
        m_ui->btnbkcolorSevWarn1,   m_ui->btntxtcolorSevWarn1, m_ui->btnbkcolorSevWarn2, m_ui->btntxtcolorSevWarn2,
        m_ui->btnbkcolorSevTimeout, m_ui->btntxtcolorSevTimeout, m_ui->btnbkcolorNoReply, m_ui->btntxtcolorNoReply,
        m_ui->btnbkcolorHasReply,   m_ui->btntxtcolorHasReply,
    };
    for (std::size_t i = 0; i < m_colours.size(); ++i) {
        m_colours[i].button = colourButtons[i];
        connect(colourButtons[i], &QAbstractButton::clicked, this, [this, i] { chooseColour(*m_colours[i].button); });
    }
    m_ui->editLatestRecords->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_ui->editLatestRecords));
    for (QAbstractButton *playButton : {m_ui->btnSoundPlay1, m_ui->btnSoundPlay2})
        playButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay, nullptr, playButton));

    connect(m_ui->OptUIConfig, &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            m_ui->setuptablayout->setCurrentIndex(0);
    });
    connect(m_ui->OptSystemSetup, &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            m_ui->setuptablayout->setCurrentIndex(1);
    });
    connect(m_ui->OptLiveBoard, &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            m_ui->setuptablayout->setCurrentIndex(2);
    });
    m_ui->editBoardPort->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_ui->editBoardPort));
    showRecords(*m_ui->BoardDeviceList, *m_devices);
    // A link's code is one word of 48 characters: in a narrow fixed font it
    // fits the page in either language.
    QFont linkFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    linkFont.setPointSize(7);
    m_ui->LabPairLink->setFont(linkFont);
    connect(m_ui->btnPairDevice, &QAbstractButton::clicked, this, &CSetupDlg::pairDevice);
    connect(m_ui->btnRemoveDevice, &QAbstractButton::clicked, this, &CSetupDlg::removeDevice);
    connect(m_ui->btnPairDone, &QAbstractButton::clicked, this, [this] {
        m_ui->boardViews->setCurrentIndex(0);
        showDevices();
    });
    connect(m_ui->btnWarnSound1, &QAbstractButton::clicked, this, [this] { chooseWave(*m_ui->editWarnSound1); });
    connect(m_ui->btnWarnSound2, &QAbstractButton::clicked, this, [this] { chooseWave(*m_ui->editWarnSound2); });
    connect(m_ui->btnSoundPlay1, &QAbstractButton::clicked, this, [this] { play(*m_ui->editWarnSound1); });
    connect(m_ui->btnSoundPlay2, &QAbstractButton::clicked, this, [this] { play(*m_ui->editWarnSound2); });
    connect(m_ui->btnok, &QAbstractButton::clicked, this, &CSetupDlg::ok);
    connect(m_ui->closebtn02, &QAbstractButton::clicked, this, [this] { done(ResultCancelled); });

    showRecord(m_desk.setup());
    showBoard();
    m_ui->editTitle->setFocus(Qt::OtherFocusReason);
}

CSetupDlg::~CSetupDlg() = default;

// Everything else the window shows is the layout's own text.
void CSetupDlg::setUpTexts()
{
    setControlTexts(*this, {{"title", TextId::SystemSettings}});
    m_ui->LabRecordsRange->setText(uiText(TextId::RecordsRange, {QString::number(CallDesk::MinRowLimit),
                                                                 QString::number(CallDesk::MaxRowLimit)}));
}

void CSetupDlg::showRecord(const SetupRecord &record)
{
    fillPorts(record);
    m_ui->cboLanguage->selectItem(record.LCID == Lcid::Chinese ? 1 : 0);
    m_ui->cboWarnSound1->selectItem(record.SoundSel1);
    m_ui->cboWarnSound2->selectItem(record.SoundSel2);
    m_ui->editTitle->setText(QString::fromStdString(record.Title));
    m_ui->editLatestRecords->setText(QString::number(record.LeastRecords));
    m_ui->editWarnSound1->setText(QString::fromStdString(record.SoundPath1));
    m_ui->editWarnSound2->setText(QString::fromStdString(record.SoundPath2));
    m_ui->OptUseSystemTime->setChecked(record.has(SetupRecord::OptUseSystemTime));
    m_ui->OptAutoRunPCStart->setChecked(record.has(SetupRecord::OptAutoRunPCStart));
    m_ui->OptHoverMost->setChecked(record.has(SetupRecord::OptHoverMost));
    m_ui->OptShowTask->setChecked(record.has(SetupRecord::OptShowTask));
    m_ui->OptShowCallingWnd->setChecked(record.has(SetupRecord::OptShowCallingWnd));
    m_ui->OptTimeoutRestart->setChecked(record.has(SetupRecord::OptTimeoutRestart));
    for (const ColourButton &colour : m_colours)
        showColour(*colour.button, record.*colour.field);
    showDuration(*m_ui->tmWarning1, record.Warn1Time);
    showDuration(*m_ui->tmWarning2, record.Warn2Time);
    showDuration(*m_ui->tmSevTimeout, record.SevTimeout);
}

// The ports present, and the port the desk has open or is set to open when
// it is not among them (a name of the user's own, such as a link a udev
// rule makes, or a receiver unplugged just now): a port the list lacks must
// not be dropped by an OK that meant to change a colour.
void CSetupDlg::fillPorts(const SetupRecord &record)
{
    const ReceiverLink &link = m_desk.link();
    const std::string current = link.isOpen() ? link.portName() : record.SerialPort;
    for (const std::string &name : link.ports().names())
        m_ui->cboSerialPort->addItem(QString::fromStdString(name));
    const QString shown = QString::fromStdString(current);
    if (!current.empty() && m_ui->cboSerialPort->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        m_ui->cboSerialPort->addItem(shown);
    m_ui->cboSerialPort->selectItem(
        m_ui->cboSerialPort->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void CSetupDlg::chooseWave(QLineEdit &edit)
{
    const FileRequest request {QString(), QString::fromStdString(soundFolder(m_desk.db().folder())),
                               layoutText("CSetupDlg", "(*.wav)")};
    if (const std::optional<QString> path = fileChooser().openFile(this, request))
        edit.setText(*path);
}

void CSetupDlg::play(const QLineEdit &edit)
{
    if (!edit.text().isEmpty())
        m_desk.soundPlayer().playPreview(edit.text().toStdString());
}

void CSetupDlg::chooseColour(QAbstractButton &button)
{
    const auto current = button.property(ColourProperty).value<std::uint32_t>();
    if (const std::optional<std::uint32_t> chosen = colourChooser().chooseColour(this, current))
        showColour(button, *chosen);
}

void CSetupDlg::showColour(QAbstractButton &button, std::uint32_t colour)
{
    button.setProperty(ColourProperty, QVariant::fromValue(colour));
    button.setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #8A9BAD;")
                             .arg(qColour(colour).name(QColor::HexRgb)));
}

void CSetupDlg::ok()
{
    if (m_ui->editTitle->text().trimmed().isEmpty()) {
        inform(this, TextId::TitleEmpty, NoCaption, PromptIcon::Warning);
        return;
    }
    // The desk would force a length outside the range into it unseen.
    const std::int32_t records = SetupRules::leadingNumber(m_ui->editLatestRecords->text().toStdString());
    if (records < CallDesk::MinRowLimit || records > CallDesk::MaxRowLimit) {
        inform(this,
               uiText(TextId::RecordsOutOfRange,
                      {QString::number(CallDesk::MinRowLimit), QString::number(CallDesk::MaxRowLimit)}),
               TextId::Prompt, PromptIcon::Warning);
        m_ui->OptUIConfig->setChecked(true);
        m_ui->editLatestRecords->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (boardChanged() && !boardPort()) {
        inform(this, uiText(TextId::BoardPortOutOfRange, {QString::number(MinBoardPort), QString::number(MaxBoardPort)}),
               TextId::Prompt, PromptIcon::Warning);
        m_ui->OptLiveBoard->setChecked(true);
        m_ui->editBoardPort->setFocus(Qt::OtherFocusReason);
        return;
    }
    const SetupRecord record = fieldsRecord(records);
    if (!thresholdsAccepted(record)) {
        m_ui->OptSystemSetup->setChecked(true);
        return;
    }

    const SettingsApplied applied = m_desk.applySettings(record);
    if (applied.portFailed) {
        inform(this, portFailureText(applied), TextId::Prompt, PromptIcon::Warning);
        return;
    }
    if (applied.autostartFailed && applied.autostartOn)
        inform(this, TextId::AutoBootFailed, NoCaption, PromptIcon::Warning);
    else if (applied.autostartFailed)
        inform(this, uiText(TextId::AutoBootNotRemoved, {QString::fromStdString(applied.autostartError)}),
               TextId::Prompt, PromptIcon::Warning);
    if (!applied.saved) {
        // The desk runs on the new settings all the same: the user must know
        // they are gone at the next start.
        inform(this,
               uiText(TextId::ChangeNotSaved, {QString::fromStdString(applied.saveError)}) + u'\n'
                   + uiText(TextId::SettingsApplyUntilClose),
               TextId::Prompt, PromptIcon::Warning);
        return;
    }
    if (!applyBoard())
        return;
    if (m_desk.setup().LCID != m_openedLanguage && confirm(this, TextId::RestartQuestion, TextId::ProgramName))
        m_desk.setRestartOnClose(true);
    done(ResultOk);
}

// Thresholds out of order or at zero are stored only when the user says so;
// times the user left as they were are not asked about again.
bool CSetupDlg::thresholdsAccepted(const SetupRecord &record)
{
    const SetupRecord &current = m_desk.setup();
    const bool changed = record.Warn1Time != current.Warn1Time || record.Warn2Time != current.Warn2Time
                         || record.SevTimeout != current.SevTimeout;
    if (!changed || SetupRules::thresholdsInOrder(record.Warn1Time, record.Warn2Time, record.SevTimeout))
        return true;
    return confirm(this, TextId::ThresholdsQuestion, TextId::Prompt, PromptAnswer::No);
}

SetupRecord CSetupDlg::fieldsRecord(std::int32_t records) const
{
    SetupRecord record = m_desk.setup();
    record.Title = m_ui->editTitle->text().toStdString();
    record.LeastRecords = records;
    record.SoundPath1 = m_ui->editWarnSound1->text().toStdString();
    record.SoundPath2 = m_ui->editWarnSound2->text().toStdString();
    record.SoundSel1 = m_ui->cboWarnSound1->currentIndex();
    record.SoundSel2 = m_ui->cboWarnSound2->currentIndex();
    record.SerialPort = m_ui->cboSerialPort->currentText().toStdString();
    for (const ColourButton &colour : m_colours)
        record.*colour.field = colour.button->property(ColourProperty).value<std::uint32_t>();
    takeOption(record, SetupRecord::OptUseSystemTime, *m_ui->OptUseSystemTime);
    takeOption(record, SetupRecord::OptAutoRunPCStart, *m_ui->OptAutoRunPCStart);
    takeOption(record, SetupRecord::OptHoverMost, *m_ui->OptHoverMost);
    takeOption(record, SetupRecord::OptShowTask, *m_ui->OptShowTask);
    takeOption(record, SetupRecord::OptShowCallingWnd, *m_ui->OptShowCallingWnd);
    takeOption(record, SetupRecord::OptTimeoutRestart, *m_ui->OptTimeoutRestart);
    record.Warn1Time = durationOf(*m_ui->tmWarning1, record.Warn1Time);
    record.Warn2Time = durationOf(*m_ui->tmWarning2, record.Warn2Time);
    record.SevTimeout = durationOf(*m_ui->tmSevTimeout, record.SevTimeout);
    record.LCID = m_ui->cboLanguage->currentIndex() == 1 ? Lcid::Chinese : Lcid::English;
    return record;
}

// What the board shows is the running board's: its addresses and certificate
// are known once it serves, after an OK that turned it on.
void CSetupDlg::showBoard()
{
    if (const auto stored = m_desk.db().LoadBoardSetup())
        m_board = *stored;
    m_ui->OptBoardOn->setChecked(m_board.Enabled);
    m_ui->editBoardPort->setText(QString::number(m_board.Port));
    const LiveBoard *board = m_desk.board();
    const bool served = board && board->running();
    QStringList addresses;
    if (served) {
        for (const std::string &address : board->addresses())
            addresses << QString::fromStdString(address);
    }
    m_ui->LabBoardAddressValue->setText(served ? addresses.join(u'\n') : uiText(TextId::BoardNotServed));
    // One word of 95 characters: it may wrap between its bytes.
    m_ui->LabBoardFingerprintValue->setText(
        served ? QString::fromStdString(board->fingerprint()).replace(u':', QStringLiteral(":\u200B")) : QString());
    m_ui->btnPairDevice->setEnabled(served);
    m_ui->editPairName->setEnabled(served);
    showDevices();
}

void CSetupDlg::showDevices()
{
    std::vector<DeviceListModel::RecordPtr> records;
    const std::optional<std::vector<stBoardDevice>> devices =
        m_desk.board() ? m_desk.board()->devices(m_desk.db()) : m_desk.db().LoadBoardDevices();
    if (devices) {
        for (const stBoardDevice &device : *devices)
            records.push_back(std::make_shared<stBoardDevice>(device));
    }
    m_devices->setRecords(std::move(records));
}

void CSetupDlg::pairDevice()
{
    LiveBoard *board = m_desk.board();
    if (!board || !board->running())
        return;
    const auto pairing = board->pairDevice(m_desk.db(), m_ui->editPairName->text().trimmed().toStdString());
    if (!pairing || pairing->links.empty()) {
        tellChangeNotSaved(this, m_desk.db());
        return;
    }
    // The code holds the first address; a phone on another network of the
    // host types one of the others.
    m_ui->LabPairQr->setPixmap(QPixmap::fromImage(qrCodeImage(pairing->links.front(), QrModulePixels)));
    QStringList links;
    for (const std::string &link : pairing->links)
        links << QString::fromStdString(link);
    m_ui->LabPairLink->setText(links.join(u'\n'));
    const Poco::LocalDateTime expires = localFromTimestamp(pairing->expiresAt);
    m_ui->LabPairValid->setText(uiText(TextId::BoardPairingValid,
                                       {QString::asprintf("%02d:%02d", expires.hour(), expires.minute())}));
    m_ui->editPairName->clear();
    m_ui->boardViews->setCurrentIndex(1);
}

void CSetupDlg::removeDevice()
{
    const DeviceListModel::RecordPtr device = m_devices->record(selectedRow(*m_ui->BoardDeviceList));
    if (!device)
        return;
    const PromptMessage question {uiText(TextId::BoardRemoveQuestion, {QString::fromStdString(device->Name)}),
                                  uiText(TextId::ProgramName), PromptIcon::Question, PromptButtons::YesNo,
                                  PromptAnswer::No};
    if (messagePrompt().show(this, question) != PromptAnswer::Yes)
        return;
    bool found = false;
    const bool removed = m_desk.board() ? m_desk.board()->removeDevice(m_desk.db(), device->Name, found)
                                        : m_desk.db().RemoveBoardDevice(device->Name, found);
    if (!removed)
        tellChangeNotSaved(this, m_desk.db());
    showDevices();
}

std::optional<int> CSetupDlg::boardPort() const
{
    const QString text = m_ui->editBoardPort->text();
    bool isNumber = false;
    const int port = text.toInt(&isNumber);
    if (!isNumber || port < MinBoardPort || port > MaxBoardPort)
        return std::nullopt;
    return port;
}

// Only a change restarts the board: that closes every browser's stream.
bool CSetupDlg::boardChanged() const
{
    return m_ui->OptBoardOn->isChecked() != m_board.Enabled
           || m_ui->editBoardPort->text() != QString::number(m_board.Port);
}

bool CSetupDlg::applyBoard()
{
    if (!boardChanged())
        return true;
    stBoardSetup changed = m_board;
    changed.Enabled = m_ui->OptBoardOn->isChecked();
    changed.Port = *boardPort();
    if (!m_desk.applyBoardSetup(changed)) {
        tellChangeNotSaved(this, m_desk.db());
        return false;
    }
    m_board = changed;
    return true;
}
