// calldesk-screenshots: pictures of the desk's main window and pop-up call
// window with calls at every level, of both pages of its settings, of its
// About window and of the history query and list, for the documentation.
// Runs the real windows on a demo site in a temporary folder, with a clock of its own so
// that the calls have waited as long as each level needs. Meant to run
// under a real display server (xvfb-run), one language per run.
#include <iostream>
#include <optional>
#include <string>

#include <QAbstractButton>
#include <QComboBox>
#include <QApplication>
#include <QCommandLineParser>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QEventLoop>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include "base/Clock.h"
#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "calls/CallDesk.h"
#include "calls/ISoundPlayer.h"
#include "reports/HistoryQuery.h"
#include "board/LiveBoard.h"
#include "ui/DeskLook.h"
#include "ui/QrCodeImage.h"
#include "ui/UiText.h"
#include "ui/WindowFrame.h"
#include "ui/controls/TimeUI.h"
#include "shell/AboutDlg.h"
#include "shell/MainFrameDlg.h"
#include "shell/PopupCallDlg.h"
#include "shell/SetupDlg.h"
#include "shell/reportwindows/ChartDlg.h"
#include "shell/reportwindows/CompreStatisticDlg.h"
#include "shell/reportwindows/DataStatisticDlg.h"
#include "shell/reportwindows/EmpSpecify.h"
#include "shell/reportwindows/HistoryListDlg.h"
#include "shell/reportwindows/HistoryQueryDlg.h"
#include "shell/reportwindows/PosSpecify.h"
#include "demo/DemoSite.h"

namespace
{
class SettableClock : public IClock
{
public:
    Poco::LocalDateTime now() const override { return m_now; }
    void set(const Poco::LocalDateTime &time) { m_now = time; }

private:
    Poco::LocalDateTime m_now;
};

// Lets the window system draw what was shown.
void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool savePicture(QWidget &window, const QString &path)
{
    window.raise();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    settle(600);
    QPixmap picture = window.screen()->grabWindow(window.winId());
    if (picture.isNull())
        picture = window.grab();
    if (!picture.save(path)) {
        std::cerr << "calldesk-screenshots: cannot write " << path.toStdString() << std::endl;
        return false;
    }
    std::cout << path.toStdString() << std::endl;
    return true;
}

// Calls that have waited as long as each level needs at the moment of the
// picture, plus two answered ones; the newest arrives last, so it leads the
// pop-up.
void makeCalls(CallDesk &desk, SettableClock &clock, const Poco::LocalDateTime &now)
{
    struct Press
    {
        const char *pager;
        int key;
        int secondsAgo;
        int answeredAfter;
    };
    const Press presses[] = {
        {"3", 2, 1500, 95},  {"8", 1, 1320, 40},  {"12", 5, 700, 0}, {"6", 13, 420, 0},
        {"17", 3, 300, 0},   {"1", 4, 140, 0},    {"10", 1, 75, 0},  {"14", 12, 40, 0},
        {"5", 11, 12, 0},
    };
    for (const Press &press : presses) {
        clock.set(now - Poco::Timespan(press.secondsAgo, 0));
        desk.onCallFrame(press.pager, press.key, std::nullopt);
        if (press.answeredAfter > 0) {
            clock.set(now - Poco::Timespan(press.secondsAgo - press.answeredAfter, 0));
            desk.onCancelFrame(press.pager, std::nullopt);
        }
    }
    clock.set(now);
    desk.tick();
}

// Three days of calls before today's, some open past every warning, some
// with remarks.
void storeEarlierCalls(DbManage &db, const Poco::LocalDateTime &now)
{
    const std::vector<std::string> zones = db.GetZoneNames();
    const std::vector<IdText> keys = db.GetServiceTypes();
    std::vector<EmployeePtr> attendants;
    db.GetEmployees(attendants);
    for (int i = 0; i < 60; ++i) {
        CCall call(now - Poco::Timespan(3, 0, 0, 0, 0) + Poco::Timespan(i * 4321, 0));
        const int pager = i * 7 % 20 + 1;
        call.PagerNum = std::to_string(pager);
        call.Zone = zones[std::size_t(pager - 1) % zones.size()];
        call.PagerName = call.Zone + " " + std::to_string(pager);
        call.SevType = keys[std::size_t(i * 4) % keys.size()].second;
        if (!attendants.empty()) {
            const stEmployee &attendant = *attendants[std::size_t(i) % attendants.size()];
            call.EmpID = attendant.EmpID;
            call.EmpName = attendant.EmpName;
        }
        call.SevTotalSeconds = Poco::Timespan(20 + i * 37 % 700, 0);
        call.SevStatus = i % 6 ? CCall::Answered : CCall::Open;
        call.ProcessTime = call.CallTime + call.SevTotalSeconds;
        call.Remark = i % 9 == 0 ? call.Zone : "";
        db.SaveCall(call);
    }
}

bool shootHistory(CMainFrameDlg &window, DbManage &db, const IClock &clock, const QString &out,
                  const QString &suffix)
{
    storeEarlierCalls(db, clock.now());
    CHistoryQueryDlg query(db, clock, &window);
    auto *begin = query.findChild<QDateEdit *>(QStringLiteral("DateBegin"));
    begin->setDate(begin->date().addDays(-3));
    // Service times the wrong way round, to show the note that says they
    // set no condition.
    auto *minimum = query.findChild<CTimeUI *>(QStringLiteral("TimeMin"));
    minimum->setTime(0, 5, 0);
    emit minimum->textChanged();
    query.move(40, 40);
    query.show();
    bool saved = savePicture(query, out + QStringLiteral("/history-query-%1.png").arg(suffix));
    const CallFilter filter = historyFilter(query.conditions());
    query.hide();

    window.showHistory(filter);
    CHistoryListDlg *list = window.historyList();
    QEventLoop loop;
    QObject::connect(list, &CHistoryListDlg::resultShown, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    list->move(0, 0);
    saved = savePicture(*list, out + QStringLiteral("/history-list-%1.png").arg(suffix)) && saved;
    list->close();
    return saved;
}

// The week's calls that ran late, some answered by nobody on duty: the
// statistics show timeouts and "Not set".
void storeLateCalls(DbManage &db, const Poco::LocalDateTime &now)
{
    std::vector<EmployeePtr> attendants;
    db.GetEmployees(attendants);
    const std::vector<std::string> zones = db.GetZoneNames();
    for (int i = 0; i < 30; ++i) {
        CCall call(now - Poco::Timespan(i * 9000, 0));
        call.PagerNum = std::to_string(i % 20 + 1);
        call.Zone = zones[std::size_t(i) % zones.size()];
        call.PagerName = call.Zone + " " + call.PagerNum;
        if (i % 10 != 9 && !attendants.empty()) {
            const stEmployee &attendant = *attendants[std::size_t(i * 3) % attendants.size()];
            call.EmpID = attendant.EmpID;
            call.EmpName = attendant.EmpName;
        }
        call.TimeOut = i % 3 == 0;
        call.SevTotalSeconds = Poco::Timespan(call.TimeOut ? 400 + i * 61 : 40 + i * 7, 0);
        call.SevStatus = i % 8 ? CCall::Answered : CCall::Open;
        call.ProcessTime = call.CallTime + call.SevTotalSeconds;
        db.SaveCall(call);
    }
}

// Waits until the statistics window shows the latest count.
void awaitStatistics(CDataStatisticDlg &statistics)
{
    QEventLoop loop;
    QObject::connect(&statistics, &CDataStatisticDlg::resultShown, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (statistics.isCounting())
        loop.exec();
}

// The week by attendant (the calls of shootHistory), its charts, and the
// three windows that choose conditions, shown without their modal loops.
bool shootStatistics(CMainFrameDlg &window, DbManage &db, const IClock &clock, const QString &out,
                     const QString &suffix)
{
    const auto picture = [&](QWidget &shown, const char *name) {
        return savePicture(shown, out + QStringLiteral("/%1-%2.png").arg(QLatin1String(name), suffix));
    };
    storeLateCalls(db, clock.now());
    bool saved = true;
    {
        CEmpSpecify choice(db, clock, &window);
        choice.move(40, 40);
        choice.show();
        saved = picture(choice, "statistics-attendant-conditions") && saved;
    }
    {
        CPosSpecify choice(db, clock, &window);
        choice.findChild<QComboBox *>(QStringLiteral("CboArea"))->setCurrentIndex(1);
        choice.move(40, 40);
        choice.show();
        saved = picture(choice, "statistics-zone-conditions") && saved;
    }
    {
        CCompreStatisticDlg choice(clock, &window);
        choice.move(40, 40);
        choice.show();
        saved = picture(choice, "statistics-comprehensive") && saved;
    }
    window.runStatistics(StatisticMode::WeekByAttendant);
    CDataStatisticDlg *statistics = window.statistics();
    awaitStatistics(*statistics);
    statistics->move(0, 0);
    saved = picture(*statistics, "statistics-table") && saved;
    for (const auto &[kind, name] : {std::pair {ChartKind::PassRate, "statistics-passrate-chart"},
                                     std::pair {ChartKind::CallsAndTimeouts, "statistics-calls-chart"}}) {
        CChartDlg chart(statistics->table(), kind, statistics);
        chart.move(0, 0);
        chart.show();
        saved = picture(chart, name) && saved;
    }
    statistics->close();
    return saved;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("calldesk-screenshots"));
    QApplication::setQuitOnLastWindowClosed(false);
    applyDeskLook();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pictures of the desk's windows for the documentation."));
    parser.addHelpOption();
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("Folder for the pictures."),
                                 QStringLiteral("DIR"), QStringLiteral("docs"));
    const QCommandLineOption language(QStringLiteral("language"), QStringLiteral("en or zh."),
                                      QStringLiteral("LANG"), QStringLiteral("en"));
    parser.addOption(out);
    parser.addOption(language);
    parser.process(app);
    const bool chinese = parser.value(language) == QLatin1String("zh");
    const std::uint32_t lcid = chinese ? Lcid::Chinese : Lcid::English;
    const QString suffix = chinese ? QStringLiteral("zh") : QStringLiteral("en");
    QDir().mkpath(parser.value(out));

    QTemporaryDir folder;
    DbManage::SetFolder(folder.path().toStdString() + "/");
    DbManage &db = *DbManage::GetInstance();
    DemoSiteOptions site;
    site.lcid = lcid;
    site.quickEscalation = false;
    std::string error;
    if (!seedDemoSite(db, site, error)) {
        std::cerr << "calldesk-screenshots: " << error << std::endl;
        return 1;
    }
    setUiLanguage(lcid);
    SetupRecord setup = SetupRecord::defaults(lcid, uiText(TextId::ProgramName).toStdString(), db.folder());
    db.LoadSetup(setup);
    // The main window's caption stays in front of the pop-up's owner.
    setup.Option &= ~SetupRecord::OptHoverMost;

    const Poco::LocalDateTime now = *localDateTime(2024, 6, 15, 12, 30, 0);
    SettableClock clock;
    clock.set(now);
    SilentSoundPlayer silence;
    bool saved = true;
    {
        CMainFrameDlg window(db, setup, clock, silence);
        window.move(0, 0);
        window.show();
        makeCalls(window.callDesk(), clock, now);
        if (CPopupCallDlg *popup = window.popup()) {
            popup->move(0, 0);
            saved = savePicture(*popup, parser.value(out) + QStringLiteral("/popup-%1.png").arg(suffix)) && saved;
            // Without a window manager the pop-up would keep the focus.
            popup->close();
        }
        window.findChild<QAbstractButton *>(QStringLiteral("Optcalllist"))->click();
        saved = savePicture(window, parser.value(out) + QStringLiteral("/main-%1.png").arg(suffix)) && saved;

        // A receiver that stopped answering a few minutes ago.
        window.linkOutageBegan({OutageCause::NoAnswer, instantOf(now - Poco::Timespan(0, 0, 3, 12, 0)), "/dev/ttyUSB0"});
        saved = savePicture(window, parser.value(out) + QStringLiteral("/link-failure-%1.png").arg(suffix)) && saved;
        window.linkOutageEnded({OutageCause::NoAnswer, instantOf(now), "/dev/ttyUSB0"}, instantOf(now));

        // The settings show the port of a usual USB adapter (away here).
        window.setup().SerialPort = "/dev/ttyUSB0";

        // The live board served on its usual port with two devices paired;
        // the pictures show a site's usual address rather than this host's.
        const std::string siteAddress = "https://192.168.1.20:8443/";
        db.SaveBoardDevice({chinese ? "吧台手机" : "Bar phone", "",
                            instantOf(now - Poco::Timespan(1, 2, 0, 0, 0)), instantOf(now - Poco::Timespan(0, 0, 0, 40, 0))});
        db.SaveBoardDevice({chinese ? "露台墙面屏" : "Terrace wall", "",
                            instantOf(now - Poco::Timespan(0, 3, 10, 0, 0)), instantOf(now - Poco::Timespan(0, 0, 0, 5, 0))});
        window.applyBoardSetup({true, stBoardSetup::DefaultPort, "", ""});
        const LiveBoard *board = window.board();

        // The About window of a desk on a receiver, in the usual data folder.
        AboutFacts facts;
        facts.dataFolder = "/home/desk/.local/share/calldesk/";
        facts.serialPort = "/dev/ttyUSB0";
        facts.linkState = LinkState::Connected;
        if (board && board->running())
            facts.board = AboutFacts::Board {{siteAddress}, board->fingerprint()};
        CAboutDlg about(facts, &window);
        about.show();
        WindowFrame::centre(about, &window);
        saved = savePicture(about, parser.value(out) + QStringLiteral("/about-%1.png").arg(suffix)) && saved;
        about.close();
        {
            // Both pages of the settings, shown without their modal loop.
            CSetupDlg settings(window, &window);
            settings.move(0, 0);
            settings.show();
            saved = savePicture(settings, parser.value(out) + QStringLiteral("/setup-general-%1.png").arg(suffix))
                    && saved;
            settings.findChild<QAbstractButton *>(QStringLiteral("OptSystemSetup"))->click();
            saved = savePicture(settings, parser.value(out) + QStringLiteral("/setup-colours-%1.png").arg(suffix))
                    && saved;
            settings.findChild<QAbstractButton *>(QStringLiteral("OptLiveBoard"))->click();
            settings.findChild<QLabel *>(QStringLiteral("LabBoardAddressValue"))->setText(QString::fromStdString(siteAddress));
            saved = savePicture(settings, parser.value(out) + QStringLiteral("/setup-board-%1.png").arg(suffix)) && saved;
            settings.findChild<QLineEdit *>(QStringLiteral("editPairName"))
                ->setText(chinese ? QStringLiteral("露台2号") : QStringLiteral("Terrace 2"));
            settings.findChild<QAbstractButton *>(QStringLiteral("btnPairDevice"))->click();
            auto *link = settings.findChild<QLabel *>(QStringLiteral("LabPairLink"));
            const QString code = link->text().section(QStringLiteral("pair?code="), 1, 1).section(u'\n', 0, 0);
            const QString shown = QString::fromStdString(siteAddress) + QStringLiteral("pair?code=") + code;
            link->setText(shown);
            settings.findChild<QLabel *>(QStringLiteral("LabPairQr"))
                ->setPixmap(QPixmap::fromImage(qrCodeImage(shown.toStdString(), 3)));
            saved = savePicture(settings, parser.value(out) + QStringLiteral("/setup-pairing-%1.png").arg(suffix))
                    && saved;
        }
        saved = shootHistory(window, db, clock, parser.value(out), suffix) && saved;
        saved = shootStatistics(window, db, clock, parser.value(out), suffix) && saved;
        window.closeWithoutAsking();
    }
    DbManage::ReleaseInstance();
    return saved ? 0 : 1;
}
