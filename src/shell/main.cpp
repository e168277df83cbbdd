// calldesk: the desk program of the wireless calling system.
#include <cstdlib>
#include <exception>
#include <iostream>

#include <Poco/Exception.h>

#include <QApplication>
#include <QCommandLineParser>

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
    parser.addHelpOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Keep the databases, backups and sounds in DIR."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("On closing, save a picture of the main window to FILE "
                                                       "(PNG)."),
                                        QStringLiteral("FILE"));
    parser.addOption(dataDir);
    parser.addOption(screenshot);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::cerr << "calldesk: unexpected argument \"" << parser.positionalArguments().first().toStdString()
                  << "\"\n(calldesk --help shows the options)" << std::endl;
        std::exit(2);
    }

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
