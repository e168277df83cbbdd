// calldesk: the desk program of the wireless calling system.
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

#include <Poco/Exception.h>

#include <QApplication>
#include <QCommandLineParser>

#include "base/BuildVersion.h"
#include "data/SetupRecord.h"
#include "ui/DeskLook.h"
#include "shell/DeskProgram.h"

namespace
{
DeskOptions parseOptions(QApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The desk of the wireless calling system: shows, times and escalates the calls a receiver on a serial port "
        "passes on, and keeps their history."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Keep the databases, backups and sounds in DIR."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("On closing, save a picture of the main window to FILE "
                                                       "(PNG)."),
                                        QStringLiteral("FILE"));
    parser.addOption(dataDir);
    parser.addOption(screenshot);
    // Bad arguments end with 2, as in calldesk-tool (process() would end with 1).
    const auto refuse = [](const std::string &reason) {
        std::cerr << "calldesk: " << reason << "\n(calldesk --help shows the options)" << std::endl;
        std::exit(2);
    };
    if (!parser.parse(app.arguments()))
        refuse(parser.errorText().toStdString());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        refuse("unexpected argument \"" + parser.positionalArguments().first().toStdString() + "\"");

    DeskOptions options;
    if (parser.isSet(dataDir))
        options.dataFolder = parser.value(dataDir).toStdString();
    options.screenshotPath = parser.value(screenshot);
    options.localeName = userLocaleName();
    options.arguments = app.arguments().mid(1);
    return options;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("calldesk"));
    QApplication::setApplicationVersion(QString::fromStdString(buildVersion()));
    // Lets the desktop match the windows to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(CALLDESK_APP_ID));
    // Only the main window's closing ends the desk: while it hides in the
    // tray, closing a message box must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    applyDeskLook();
    DeskOptions options = parseOptions(app);
    try {
        DeskProgram program(std::move(options));
        if (const auto exitCode = program.start())
            return *exitCode;
        return program.exec();
    } catch (const Poco::Exception &error) {
        std::cerr << "calldesk: " << error.displayText() << std::endl;
    } catch (const std::exception &error) {
        std::cerr << "calldesk: " << error.what() << std::endl;
    }
    return 1;
}
