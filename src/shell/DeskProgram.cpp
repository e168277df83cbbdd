#include "shell/DeskProgram.h"

#include <csignal>

#include <Poco/Data/DataException.h>
#include <Poco/Data/SQLite/SQLiteException.h>
#include <Poco/Exception.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QPixmap>
#include <QProcess>

#include "base/EventLog.h"
#include "data/DataFolder.h"
#include "data/DatabaseFileError.h"
#include "data/DbManage.h"
#include "data/DeskSounds.h"
#include "data/SetupRecord.h"
#include "central/CentralShipping.h"
#include "ui/DeskResources.h"
#include "ui/MessagePrompt.h"
#include "ui/QtSoundPlayer.h"
#include "ui/UiText.h"
#include "shell/MainFrameDlg.h"
#include "shell/TerminationSignals.h"
#include "shell/backup/DataMaintenance.h"

namespace
{
// What the start-up tells of each failure of the databases (the same in
// both languages).
constexpr const char *CorruptDatabaseText = "The database disk image is malformed";
constexpr const char *InvalidAccessText = "Invalid access";
constexpr const char *ConnectionFailedText = "Connection attempt failed";
constexpr const char *DatabaseFailedText = "Init database failed!";

void tellStartupError(const QString &text)
{
    messagePrompt().show(nullptr, {text, uiText(TextId::ProgramName), PromptIcon::Error, PromptButtons::Ok});
}

bool relaunchDetached(const QStringList &arguments)
{
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
}
}

DeskProgram::DeskProgram(DeskOptions options)
    : m_options {std::move(options)}
    , m_instance {m_options.instanceFolder}
{
    if (!m_options.relaunch)
        m_options.relaunch = relaunchDetached;
    if (!m_options.openDatabases)
        m_options.openDatabases = [] { DbManage::GetInstance(); };
}

DeskProgram::~DeskProgram()
{
    if (m_window || m_databaseOpen)
        finish();
}

std::optional<int> DeskProgram::start()
{
    if (!m_instance.acquire()) {
        if (!m_instance.activateRunning())
            logEvent("another desk runs but does not answer");
        return 0;
    }
    applyLanguage(lcidForLocaleName(m_options.localeName));
    m_dataFolder = resolveDataFolder(m_options.dataFolder);
    // One program at a time on a data folder: a desk of another user, or a
    // restore from the command line, would otherwise write over this one.
    m_folderLock = std::make_unique<DataFolderLock>(m_dataFolder);
    if (!m_folderLock->tryLock() && !m_folderLock->error().empty()) {
        // A folder where no lock file can be made either will not take the
        // databases: opening them says why.
        logEvent("cannot lock the data folder: " + m_folderLock->error());
    } else if (!m_folderLock->isHeld()) {
        const std::string holder = m_folderLock->holder() ? std::to_string(m_folderLock->holder()) : "?";
        logEvent("the data folder " + m_dataFolder + " is in use by process " + holder);
        tellStartupError(uiText(TextId::DataFolderInUse,
                                {QString::fromStdString(m_dataFolder), QString::fromStdString(holder)}));
        return 1;
    }
    if (!openDatabases())
        return 1;
    DbManage &db = *DbManage::GetInstance();
    for (const DbManage::SetAsideFile &damaged : db.setAsideFiles())
        DataMaintenance::offerRestoreAtStart(db, damaged);
    if (const std::uint32_t stored = db.GetLCID(); stored != 0)
        applyLanguage(stored);

    // The desk's own sounds are rewritten whenever missing or damaged, for
    // settings that still name them.
    std::string soundError;
    if (!installDeskSounds(m_dataFolder, soundError))
        logFailure("write the warning sounds", soundError);
    SetupRecord setup = SetupRecord::defaults(uiLanguage(), uiText(TextId::ProgramName).toStdString(), m_dataFolder);
    db.LoadSetup(setup);

    // On before the window: the first call it stores is queued too.
    m_central = startCentralShipping(db, m_dataFolder);
    m_player = std::make_unique<QtSoundPlayer>();
    m_window = std::make_unique<CMainFrameDlg>(db, setup, m_clock, *m_player, m_options.window);
    m_window->setCentralSender(m_central.get());
    connect(m_window.get(), &CMainFrameDlg::closing, this, &DeskProgram::saveScreenshot);
    connect(m_window.get(), &CMainFrameDlg::closed, this, &DeskProgram::windowClosed);
    connect(&m_instance, &SingleInstance::activationRequested, m_window.get(), &CMainFrameDlg::showFromTray);
    m_signals = std::make_unique<TerminationSignals>();
    connect(m_signals.get(), &TerminationSignals::received, this, [this](int signalNumber) {
        logEvent(signalNumber == SIGINT ? "interrupted: closing" : "terminated: closing");
        if (m_window)
            m_window->closeWithoutAsking();
    });
    m_window->open();
    logEvent("started with the data folder " + m_dataFolder);
    return std::nullopt;
}

int DeskProgram::exec()
{
    if (m_window && m_window->isVisible()) {
        QEventLoop loop;
        connect(this, &DeskProgram::windowClosed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    finish();
    return 0;
}

// The database layer opens both files; what it cannot open ends the start.
// A damaged file that the layer could not set aside ends it too: restoring
// from a backup is offered only where backups are made.
bool DeskProgram::openDatabases()
{
    DbManage::SetFolder(m_dataFolder);
    try {
        m_options.openDatabases();
        m_databaseOpen = true;
        return true;
    } catch (const DatabaseFileError &error) {
        logEvent("cannot open the databases: " + std::string(error.what()));
        tellStartupError(uiText(TextId::DatabaseUnusable, {QString::fromStdString(error.path()),
                                                            QString::fromStdString(error.reason())}));
    } catch (const Poco::Data::SQLite::CorruptImageException &error) {
        logEvent("cannot open the databases: " + error.displayText());
        tellStartupError(QString::fromLatin1(CorruptDatabaseText));
    } catch (const Poco::InvalidAccessException &error) {
        logEvent("cannot open the databases: " + error.displayText());
        tellStartupError(QString::fromLatin1(InvalidAccessText));
    } catch (const Poco::Data::ConnectionFailedException &error) {
        logEvent("cannot open the databases: " + error.displayText());
        tellStartupError(QString::fromLatin1(ConnectionFailedText));
    } catch (const Poco::Exception &error) {
        logEvent("cannot open the databases: " + error.displayText());
        tellStartupError(QString::fromLatin1(DatabaseFailedText));
    } catch (const std::exception &error) {
        logEvent(std::string("cannot open the databases: ") + error.what());
        tellStartupError(QString::fromLatin1(DatabaseFailedText));
    }
    return false;
}

void DeskProgram::applyLanguage(std::uint32_t lcid)
{
    setUiLanguage(lcid);
    // Qt's own texts (Yes, No, Cancel) in the same language.
    QCoreApplication::removeTranslator(&m_qtTexts);
    if (uiLanguage() == Lcid::Chinese
        && m_qtTexts.load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtTexts);
}

void DeskProgram::saveScreenshot()
{
    if (m_options.screenshotPath.isEmpty() || !m_window)
        return;
    if (!m_window->grab().save(m_options.screenshotPath))
        logEvent("cannot save the picture " + m_options.screenshotPath.toStdString());
    else
        logEvent("picture of the main window saved to " + m_options.screenshotPath.toStdString());
}

// The new desk starts only once this one has let go of the port, written its
// settings and released its lock, so it finds all three free.
void DeskProgram::finish()
{
    const bool relaunch = m_window && m_window->restartOnClose();
    m_signals.reset();
    m_window.reset();
    m_central.reset();
    m_player.reset();
    if (m_databaseOpen) {
        DbManage::ReleaseInstance();
        m_databaseOpen = false;
    }
    m_instance.release();
    if (m_folderLock)
        m_folderLock->unlock();
    if (relaunch) {
        logEvent("starting again in the new language");
        if (!m_options.relaunch(m_options.arguments))
            logEvent("cannot start the desk again");
    }
}
