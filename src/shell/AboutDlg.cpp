#include "shell/AboutDlg.h"

#include <vector>

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QtGlobal>

#include "base/BuildVersion.h"
#include "data/LibraryVersions.h"
#include "central/PgConnection.h"
#include "ui/DeskResources.h"
#include "ui/LinkStateText.h"
#include "ui/UiText.h"
#include "ui_about.h"

namespace
{
struct Library
{
    QString name;
    QString version;
    QString licence;
};

std::vector<Library> libraries()
{
    return {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion()), QStringLiteral("GNU LGPL v3")},
        {QStringLiteral("POCO"), QString::fromStdString(LibraryVersions::poco()),
         QStringLiteral("Boost Software License 1.0")},
        {QStringLiteral("SQLite"), QString::fromStdString(LibraryVersions::sqlite()), uiText(TextId::PublicDomain)},
        {QStringLiteral("SQLite3 Multiple Ciphers"), QString::fromStdString(LibraryVersions::sqliteCipher()),
         QStringLiteral("MIT License")},
        {QStringLiteral("libpq"), QString::fromStdString(libpqVersion()), QStringLiteral("PostgreSQL License")},
    };
}

QString librariesText()
{
    QStringList lines;
    for (const Library &library : libraries())
        lines << QStringLiteral("%1 %2 (%3)").arg(library.name, library.version, library.licence);
    return lines.join(u'\n');
}

// A fingerprint is one word of 95 characters, wider than the window: it is
// shown in two lines of 16 bytes each, broken by hand, as a wrapping label
// would not let the window grow to hold it.
QString shownBoardText(QString text)
{
    constexpr qsizetype HalfFingerprint = 16 * 3;
    const qsizetype start = text.lastIndexOf(QStringLiteral("SHA-256 "));
    if (start >= 0 && text.size() - start - 8 > HalfFingerprint)
        text.insert(start + 8 + HalfFingerprint, u'\n');
    return text;
}

// Lets a long path wrap at its separators.
QString wrappablePath(QString path)
{
    return path.replace(u'/', QStringLiteral("/\u200B"));
}
}

CAboutDlg::CAboutDlg(const AboutFacts &facts, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CAboutDlg>()}
    , m_dataFolder {QString::fromStdString(facts.dataFolder)}
    , m_boardText {boardText(facts)}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::About);
    setControlTexts(*this, {
                               {"title", TextId::About},
                               {"LabProgram", TextId::ProgramName},
                               {"LabVersion", TextId::VersionLabel},
                               {"LabDataFolder", TextId::DataFolderLabel},
                               {"LabPort", TextId::SerialPortLabel},
                               {"LabCentral", TextId::CentralHistoryLabel},
                               {"LabBoard", TextId::BoardAboutLabel},
                               {"LabLibraries", TextId::LibrariesLabel},
                               {"btnCopy", TextId::CopyToClipboard},
                               {"closebtn", TextId::Ok},
                           });
    m_ui->LabIcon->setPixmap(deskIcon().pixmap(48, 48));
    m_ui->LabVersionValue->setText(QString::fromStdString(buildVersion()));
    m_ui->LabDataFolderValue->setText(wrappablePath(m_dataFolder));
    m_ui->LabPortValue->setText(portText(facts));
    m_ui->LabCentralValue->setText(centralText(facts));
    m_ui->LabBoardValue->setText(shownBoardText(m_boardText));
    m_ui->LabLibrariesValue->setText(librariesText());
    connect(m_ui->btnCopy, &QPushButton::clicked, this, &CAboutDlg::copyText);
}

CAboutDlg::~CAboutDlg() = default;

QString CAboutDlg::portText(const AboutFacts &facts) const
{
    if (facts.serialPort.empty())
        return uiText(TextId::NoPortSet);
    // Every state named, so a new one cannot pass for an open port unseen.
    TextId state = TextId::PortOpen;
    switch (facts.linkState) {
    case LinkState::NoPort:
        state = TextId::PortNotOpen;
        break;
    case LinkState::Failed:
        state = linkStateText(LinkState::Failed);
        break;
    case LinkState::Connected:
    case LinkState::Regained:
        break;
    }
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(facts.serialPort), uiText(state));
}

QString CAboutDlg::centralText(const AboutFacts &facts)
{
    if (!facts.central)
        return uiText(TextId::CentralNotShipped);
    const AboutFacts::Central &central = *facts.central;
    const QString where = QString::fromStdString(central.connection);
    const QString site = QString::fromStdString(central.site);
    if (!central.failing)
        return uiText(TextId::CentralShipping, {where, site});
    return uiText(TextId::CentralFailing,
                  {where, site, QString::fromStdString(central.failingSince), QString::number(central.waitingCalls),
                   QString::fromStdString(central.error)});
}

QString CAboutDlg::boardText(const AboutFacts &facts)
{
    if (!facts.board)
        return uiText(TextId::BoardNotServed);
    QStringList lines;
    for (const std::string &address : facts.board->addresses)
        lines << QString::fromStdString(address);
    lines << QStringLiteral("SHA-256 ") + QString::fromStdString(facts.board->fingerprint);
    return lines.join(u'\n');
}

QString CAboutDlg::text() const
{
    const auto line = [](const QLabel *label, const QString &value) { return label->text() + u' ' + value; };
    return QStringList {
        m_ui->LabProgram->text(),
        line(m_ui->LabVersion, m_ui->LabVersionValue->text()),
        line(m_ui->LabDataFolder, m_dataFolder),
        line(m_ui->LabPort, m_ui->LabPortValue->text()),
        line(m_ui->LabCentral, m_ui->LabCentralValue->text()),
        line(m_ui->LabBoard, m_boardText),
        m_ui->LabLibraries->text(),
        librariesText(),
    }.join(u'\n') + u'\n';
}

void CAboutDlg::copyText()
{
    QGuiApplication::clipboard()->setText(text());
}
