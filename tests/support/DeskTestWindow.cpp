#include "support/DeskTestWindow.h"

#include <stdexcept>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "calls/CallDesk.h"
#include "ui/UiText.h"
#include "shell/MainFrameDlg.h"
#include "demo/DemoSite.h"

DeskTestWindow::DeskTestWindow()
    : DeskTestWindow(Options {})
{
}

DeskTestWindow::Options DeskTestWindow::adjusting(std::function<void(SetupRecord &)> adjust, bool trayAvailable)
{
    Options options;
    options.adjust = std::move(adjust);
    options.trayAvailable = trayAvailable;
    return options;
}

DeskTestWindow::Options DeskTestWindow::preparing(std::function<void(DbManage &)> prepare)
{
    Options options;
    options.prepare = std::move(prepare);
    return options;
}

DeskTestWindow::DeskTestWindow(const Options &options)
    : clock {*localDateTime(2024, 6, 15, 9, 0, 0)}
{
    Poco::Data::SQLite::Connector::registerConnector();
    m_db = std::make_unique<DbManage>(m_folder.path());
    std::string error;
    if (!seedDemoSite(*m_db, {"", uiLanguage(), false}, error))
        throw std::runtime_error(error);
    SetupRecord setup = SetupRecord::defaults(uiLanguage(), uiText(TextId::ProgramName).toStdString(), m_folder.path());
    m_db->LoadSetup(setup);
    if (options.adjust)
        options.adjust(setup);
    if (options.prepare)
        options.prepare(*m_db);
    MainFrameOptions windowOptions;
    windowOptions.scanner = SerialPortScanner(options.portFolder.empty() ? m_noPorts.path() : options.portFolder);
    windowOptions.trayAvailable = options.trayAvailable;
    m_window = std::make_unique<CMainFrameDlg>(*m_db, setup, clock, sounds, windowOptions);
}

DeskTestWindow::~DeskTestWindow() = default;

CallDesk &DeskTestWindow::desk()
{
    return m_window->callDesk();
}

void DeskTestWindow::call(const std::string &pager, int key)
{
    desk().onCallFrame(pager, key, std::nullopt);
}

void DeskTestWindow::cancel(const std::string &pager)
{
    desk().onCancelFrame(pager, std::nullopt);
}

void DeskTestWindow::wait(int seconds)
{
    clock.advance(Poco::Timespan(seconds, 0));
    m_window->serviceTick();
}
