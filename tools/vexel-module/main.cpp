#include "Acknowledgement.h"
#include "ModuleLine.h"
#include "ModuleProtocol.h"
#include "ModuleProgram.h"
#include "ModuleWindow.h"
#include "PortLink.h"
#include "PortName.h"
#include "StandardStreams.h"
#include "StandardText.h"
#include "TerminationSignals.h"

#include "IniReader.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMessageBox>
#include <QTextStream>

#include <cstring>
#include <memory>

namespace {

// Decided before any application object exists, since a window needs a
// QApplication and a display while headless needs neither.
bool runsHeadless(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0)
            return true;
    }
#if defined(Q_OS_WIN)
    return false; // a Windows desktop always has its screen
#else
    return qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#endif
}

enum ExitStatus { CannotStart = 1, BadUsage = 2 };

// Started from a menu, the module has no terminal to say it on, so on a
// screen it also says so in a message box.
int fail(const QString &message, ExitStatus status = CannotStart)
{
    StandardText standardError(stderr);
    QTextStream(&standardError) << "vexel-module: " << message << Qt::endl;
    if (qobject_cast<QApplication *>(QCoreApplication::instance())
        && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        // In the application's own loop, so that a termination signal still ends it.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("vexel-module"), message);
        QObject::connect(&box, &QMessageBox::finished, QCoreApplication::instance(), &QCoreApplication::quit);
        box.show();
        QCoreApplication::exec();
    }
    return status;
}

int run(int argc, char **argv)
{
    const bool signalsBlocked = TerminationSignals::block();
    const bool headless = runsHeadless(argc, argv);
    std::unique_ptr<QCoreApplication> app(headless ? new QCoreApplication(argc, argv) : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("vexel-module"));

    // Windows has no pseudo-terminals to link as ports: there the module
    // serves its port through a pipe of its own, or takes one end of a
    // null-modem pair, and the folder of links is neither offered nor taken.
    const bool links = hostPortNaming() != PortNaming::Windows;
    QCommandLineParser parser;
    parser.setApplicationDescription(links
        ? QStringLiteral("A stand-in for the 16x8 LED module on a pseudo-terminal, linked as COMn in the control panel's "
                         "folder,\nor in your folder $XDG_CONFIG_HOME/vexelapp when you may not write there.\n"
                         "Every event is also printed as one line on standard output.")
        : QStringLiteral("A stand-in for the 16x8 LED module. It serves port n of the control panel, vexel-send and\n"
                         "vexel-ports for you through a pipe of its own, while it runs: no driver, no cable. Or it\n"
                         "takes one COM port of a null-modem pair (two USB adapters and a cable, or a driver's\n"
                         "virtual pair): vexel-module --device COM9, the control panel on the other end.\n"
                         "Every event is also printed as one line on standard output."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    QCommandLineOption dirOption(QStringLiteral("dir"),
        QStringLiteral("Folder for the COMn link and the state file (default: this program's folder when you may "
                       "write there, else your own)."),
        QStringLiteral("DIR"));
    const QCommandLineOption portOption(QStringLiteral("port"),
        links ? QStringLiteral("Port number n of the link COMn, 1 to %1 (default: 1).").arg(LastPortNumber)
              : QStringLiteral("Port number n to serve, 1 to %1 (default: 1).").arg(LastPortNumber),
        QStringLiteral("N"),
        QStringLiteral("1"));
    const QCommandLineOption settingsPortOption(QStringLiteral("settings-port"),
        QStringLiteral("Take the port number from the control panel's settings file, as the panel preselects it."));
    if (!links)
        dirOption.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption deviceOption(QStringLiteral("device"),
        links ? QStringLiteral("Attach to this serial device (9600,n,8,1) instead of making a pseudo-terminal.")
              : QStringLiteral("The COM port to attach to (9600,n,8,1), e.g. COM9."),
        links ? QStringLiteral("PATH") : QStringLiteral("PORT"));
    const QCommandLineOption stateOption(QStringLiteral("state"),
        links ? QStringLiteral("File for the saved slots and start-up screen (default: DIR/vexel-module.state).")
              : QStringLiteral("File for the saved slots and start-up screen (default: vexel-module.state in this "
                               "program's folder when you may write there, else in your own)."),
        QStringLiteral("FILE"));
    const QCommandLineOption ackOption(QStringLiteral("ack"),
        QStringLiteral("Answer to a store: none, byte:XX, double or delay:MS (default: the single byte AA)."),
        QStringLiteral("MODE"));
    const QCommandLineOption headlessOption(QStringLiteral("headless"),
        QStringLiteral("No window, even where a display is available (without one it is the default)."));
    const QCommandLineOption printDisplayOption(QStringLiteral("print-display"),
        QStringLiteral("After every frame, print the display as eight lines of text."));
    parser.addOptions({dirOption, portOption, settingsPortOption, deviceOption, stateOption, ackOption, headlessOption,
                       printDisplayOption});
    const bool parsed = parser.parse(QCoreApplication::arguments());
    StandardText standardOutput(stdout);
    QTextStream out(&standardOutput);
    if (parsed && (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all")))) {
        out << parser.helpText();
        return 0;
    }

    if (!signalsBlocked)
        return fail(QStringLiteral("cannot block the termination signals"));
    TerminationSignals terminations;
    if (!terminations.isValid())
        return fail(QStringLiteral("cannot watch the termination signals"));
    QObject::connect(&terminations, &TerminationSignals::received, app.get(), &QCoreApplication::quit);
    if (!parsed)
        return fail(parser.errorText(), BadUsage);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().constFirst()), BadUsage);
    for (const QCommandLineOption &option : {dirOption, deviceOption, stateOption}) {
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return fail(QStringLiteral("--%1 needs a value").arg(option.names().constFirst()), BadUsage);
    }
    if (parser.isSet(deviceOption) && (parser.isSet(portOption) || parser.isSet(settingsPortOption)))
        return fail(links ? QStringLiteral("--device makes no link, so it takes neither --port nor --settings-port")
                          : QStringLiteral("--device serves no port number, so it takes neither --port nor --settings-port"),
                    BadUsage);
    if (parser.isSet(portOption) && parser.isSet(settingsPortOption))
        return fail(QStringLiteral("--port and --settings-port exclude each other"), BadUsage);
    // The folder decides where the link goes and which port is the panel's;
    // no other is guessed.
    if (const QString problem = programFolderProblem(); !problem.isEmpty())
        return fail(problem);
    bool ok = true;
    const int port = parser.isSet(settingsPortOption) ? startupPortNumber() : parser.value(portOption).toInt(&ok);
    if (!ok || port < 1 || port > LastPortNumber)
        return fail(QStringLiteral("--port takes a number from 1 to %1").arg(LastPortNumber), BadUsage);
    Acknowledgement acknowledgement{QByteArray(1, char(ModuleProtocol::Acknowledge))};
    if (parser.isSet(ackOption)) {
        const auto answer = Acknowledgement::parse(parser.value(ackOption));
        if (!answer)
            return fail(QStringLiteral("--ack takes none, byte:XX, double or delay:MS"), BadUsage);
        acknowledgement = *answer;
    }
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString userDir = userPortFolder();
    const QDir dir(parser.isSet(dirOption) ? parser.value(dirOption) : linkFolder(programDir, userDir));
    const bool inUserFolder = !userDir.isEmpty() && dir.absolutePath() == QDir(userDir).absolutePath();
    const QString linkPath = dir.absoluteFilePath(portLinkName(port));
    if (links && !parser.isSet(deviceOption)) {
        // The panel opens the program folder's COMn before the user's: a link
        // here must neither hide behind the administrator's entry nor hide
        // the user's own way to a device.
        if (inUserFolder) {
            const PortLookup mapped = lookUpPort(port, programDir, QString());
            if (mapped.source == PortSource::ProgramFolder)
                return fail(QStringLiteral("port %1 is already %2, which the control panel opens first; not linking %3")
                                .arg(port)
                                .arg(mapped.path, linkPath));
        } else {
            const PortLookup users = lookUpPort(port, QString(), userDir);
            const QString kept = users.source == PortSource::UserFolder ? PortLink::keptBecause(users.path) : QString();
            if (!kept.isEmpty())
                return fail(QStringLiteral("not linking %1, which the control panel would open instead of your %2: %3")
                                .arg(linkPath, users.path, kept));
        }
    }
    if (inUserFolder && !dir.mkpath(QStringLiteral(".")))
        return fail(QStringLiteral("cannot make the folder %1").arg(dir.absolutePath()));
    if (!dir.exists())
        return fail(QStringLiteral("no folder %1").arg(dir.path()));
    const QString statePath = parser.isSet(stateOption) ? parser.value(stateOption)
                                                        : dir.absoluteFilePath(QStringLiteral("vexel-module.state"));

    ModuleLine line;
    const bool opened = parser.isSet(deviceOption) ? line.openDevice(parser.value(deviceOption))
                                                   : line.openVirtualPort(port);
    if (!opened)
        return fail(line.errorString());

    ModuleProgram program(&line, acknowledgement, statePath, parser.isSet(printDisplayOption));
    QObject::connect(&program, &ModuleProgram::reported, [&out](const QString &text) {
        out << text << Qt::endl;
    });
    std::unique_ptr<ModuleWindow> window;
    if (!headless) {
        const QString name = parser.isSet(deviceOption) ? line.slavePath() : portLinkName(port);
        window = std::make_unique<ModuleWindow>(program, QStringLiteral("vexel-module – %1").arg(name));
    }
    program.loadState();

    PortLink link;
    if (parser.isSet(deviceOption)) {
        emit program.reported(QStringLiteral("device %1").arg(line.slavePath()));
    } else if (!links) {
        emit program.reported(QStringLiteral("virtual port %1 -> %2").arg(portLinkName(port), line.slavePath()));
    } else {
        if (!link.create(linkPath, line.slavePath()))
            return fail(link.errorString());
        emit program.reported(QStringLiteral("link %1 -> %2").arg(linkPath, line.slavePath()));
    }
    if (window)
        window->show();
    return app->exec();
}

} // namespace

int main(int argc, char **argv)
{
    StandardStreams::openClosed();
    return StandardStreams::exitStatus(QStringLiteral("vexel-module"), run(argc, argv));
}
