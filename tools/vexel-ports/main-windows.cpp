#include "IniReader.h"
#include "PortName.h"
#include "SettingsLocation.h"
#include "StandardStreams.h"
#include "StandardText.h"
#include "VirtualPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPortInfo>
#include <QStringList>
#include <QTextStream>

#include <algorithm>

namespace {

// What Windows says of the port, as far as it knows it.
QString described(const QSerialPortInfo &port)
{
    QStringList facts;
    if (!port.description().isEmpty())
        facts << port.description();
    if (!port.manufacturer().isEmpty())
        facts << QStringLiteral("made by ") + port.manufacturer();
    if (!port.serialNumber().isEmpty())
        facts << QStringLiteral("serial number ") + port.serialNumber();
    if (port.hasVendorIdentifier() && port.hasProductIdentifier())
        facts << QStringLiteral("USB %1:%2")
                     .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                     .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'));
    return facts.isEmpty() ? QStringLiteral("no description") : facts.join(QStringLiteral(", "));
}

// Windows names its serial ports COMn itself, so the list is what Windows
// knows; the panel's port n is COMn.
int run(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexel-ports"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Lists the COM ports Windows knows, with what it says of each, and the ports your virtual modules\n"
        "serve. Port n of the control panel is your virtual module's while one serves it, else COMn."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    StandardText standardOutput(stdout);
    StandardText standardError(stderr);
    QTextStream out(&standardOutput);
    // Written to the standard output rather than through Qt, which shows its
    // help in a message box to a program started without a console window.
    if (!parser.parse(QCoreApplication::arguments())) {
        QTextStream(&standardError) << "vexel-ports: " << parser.errorText() << '\n';
        return 1; // as Qt's own check of the options does on Linux
    }
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        return 0;
    }

    QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return comPortNumber(a.portName()) < comPortNumber(b.portName());
    });
    if (ports.isEmpty())
        out << "Windows knows no COM port.\n";
    QList<int> virtualPorts;
    for (int number = 1; number <= LastPortNumber; ++number) {
        if (VirtualPort::served(number))
            virtualPorts << number;
    }
    for (const QSerialPortInfo &port : ports) {
        const int number = comPortNumber(port.portName());
        out << QStringLiteral("%1 %2  %3").arg(port.portName(), -6).arg(port.systemLocation(), -12).arg(described(port));
        if (number < 1 || number > LastPortNumber)
            out << QStringLiteral("  (not in the panel's list of ports 1 to %1)").arg(LastPortNumber);
        else if (virtualPorts.contains(number))
            out << QStringLiteral("  (hidden from the panel by your virtual module on port %1)").arg(number);
        out << '\n';
    }
    for (const int number : virtualPorts)
        out << QStringLiteral("Port %1 is your virtual module: %2\n").arg(number).arg(VirtualPort::pipeName(number));
    // What the panel preselects, and from which file and value, for a
    // settings file that does not do what its writer meant.
    out << '\n' << startupPortReport(AppPath()) << '\n';
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    StandardStreams::openClosed();
    return StandardStreams::exitStatus(QStringLiteral("vexel-ports"), run(argc, argv));
}
