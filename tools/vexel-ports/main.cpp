#include "IniReader.h"
#include "PortSurvey.h"
#include "SettingsLocation.h"
#include "StandardStreams.h"
#include "StandardText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

constexpr int BadUsage = 2;

void printPorts(QTextStream &out, const PortSurvey &survey)
{
    const PortSurvey::OpenFiles openFiles = survey.openFiles();
    for (int number = 1; number <= PortSurvey::PortCount; ++number) {
        const PortSurvey::PortStatus status = survey.status(number, openFiles);
        QString where = status.path;
        if (status.viaLink() && !status.device.isEmpty() && status.device != status.path)
            where += QStringLiteral(" -> ") + status.device;
        out << QStringLiteral("port %1").arg(number, -3) << where << "  " << PortSurvey::describe(status) << "  ("
            << PortSurvey::describe(status.source) << ")\n";
    }
}

void printSuggestions(QTextStream &out, const PortSurvey &survey)
{
    const QList<PortSurvey::UsbDevice> devices = survey.usbDevices();
    if (devices.isEmpty()) {
        out << "No USB serial device (/dev/ttyUSB*, /dev/ttyACM*, /dev/serial/by-id/*) is plugged in.\n";
        return;
    }
    out << "USB serial devices:\n";
    QList<int> free = survey.freePorts();
    for (const PortSurvey::UsbDevice &device : devices) {
        out << "  " << device.path;
        if (device.path != device.device)
            out << " -> " << device.device;
        if (device.port > 0)
            out << "  (already port " << device.port << ")\n";
        else if (free.isEmpty())
            out << "  (no free port number left)\n";
        else
            out << "\n    to make it port " << free.first() << ": " << survey.linkCommand(device.path, free.takeFirst()) << '\n';
    }
}

int run(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexel-ports"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows which device each port number of the control panel opens: COMn in its folder, else COMn in your folder "
        "$XDG_CONFIG_HOME/vexelapp (by default ~/.config/vexelapp), else /dev/ttyS(n-1)."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"),
        QStringLiteral("The control panel's folder (default: this program's folder)."), QStringLiteral("DIR"),
        QCoreApplication::applicationDirPath());
    const QCommandLineOption suggestOption(QStringLiteral("suggest"),
        QStringLiteral("Also list the USB serial devices and the link that would give each a port number, in the "
                       "control panel's folder when you may write there, else in yours."));
    parser.addOptions({dirOption, suggestOption});
    StandardText standardOutput(stdout);
    StandardText standardError(stderr);
    QTextStream out(&standardOutput);
    if (!parser.parse(QCoreApplication::arguments())) {
        QTextStream(&standardError) << "vexel-ports: " << parser.errorText() << "\nTry 'vexel-ports --help'." << Qt::endl;
        return BadUsage;
    }
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        return 0;
    }
    if (!QFileInfo(parser.value(dirOption)).isDir()) {
        QTextStream(&standardError) << "vexel-ports: "
                            << (parser.isSet(dirOption) ? QStringLiteral("--dir %1 is no folder").arg(parser.value(dirOption))
                                                        : programFolderProblem() + QStringLiteral("; or name the folder with --dir DIR"))
                            << '\n';
        return 1;
    }

    const QString programDir = QDir(parser.value(dirOption)).absolutePath();
    const PortSurvey survey(programDir);
    out << "Port n of the control panel opens COMn in its folder " << programDir << ", else COMn in your folder "
        << userPortFolder() << ", else /dev/ttyS(n-1):\n";
    printPorts(out, survey);
    // What the panel preselects, and from which value, for a settings file
    // that does not do what its writer meant.
    out << '\n' << startupPortReport(programDir) << '\n';
    if (parser.isSet(suggestOption)) {
        out << '\n';
        printSuggestions(out, survey);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    StandardStreams::openClosed();
    return StandardStreams::exitStatus(QStringLiteral("vexel-ports"), run(argc, argv));
}
