// The one click to try VexelApp on Windows with no module: starts the virtual
// module on the port that vexel.ini names, then the control panel, and ends
// the module when the panel closes. Where that port is a COM port Windows
// knows, the panel starts alone and says why: the module would hide the port
// the settings mean. The module's output goes to vexel-module.log in this
// folder when this user may write there, else in their own.

#include "IniReader.h"
#include "PortName.h"
#include "SettingsLocation.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QSerialPortInfo>

#include <windows.h>

#include <algorithm>

namespace {

const QString Title = QStringLiteral("VexelApp with virtual module");
// Long enough for a first start from a cold disk.
constexpr int ModuleStartMs = 20000;

void say(const QString &text, QMessageBox::Icon icon = QMessageBox::Information)
{
    QMessageBox(icon, Title, text).exec();
}

bool windowsKnows(int port)
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.begin(), ports.end(),
                       [port](const QSerialPortInfo &info) { return comPortNumber(info.portName()) == port; });
}

// How the module's start went, as its log tells it: serving, failed (it
// says why in its own window), or not yet.
enum class Start { Serving, Failed, Pending };

Start moduleStart(const QString &log)
{
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return Start::Pending;
    const QByteArray text = file.readAll();
    if (text.startsWith("virtual port ") || text.contains("\nvirtual port "))
        return Start::Serving;
    return text.contains("vexel-module: ") ? Start::Failed : Start::Pending;
}

int run()
{
    if (const QString problem = programFolderProblem(); !problem.isEmpty()) {
        say(problem, QMessageBox::Critical);
        return 1;
    }
    const QDir folder(QCoreApplication::applicationDirPath());
    const QString panel = folder.absoluteFilePath(QStringLiteral("vexelapp.exe"));
    const int port = startupPortNumber();
    if (windowsKnows(port)) {
        if (!QProcess::startDetached(panel, {}, folder.absolutePath()))
            say(QStringLiteral("Cannot start %1.").arg(QDir::toNativeSeparators(panel)), QMessageBox::Critical);
        say(QStringLiteral("The virtual LED module did not start: port %1 is COM%1, a serial port of this computer, "
                           "which the control panel opens.\n\nTo try the virtual module, choose a port that Windows "
                           "does not have: CommPort in %2.")
                .arg(port)
                .arg(QDir::toNativeSeparators(settingsFilePath(folder.absolutePath(), QStringLiteral("Settings"),
                                                               QStringLiteral("CommPort")))));
        return 0;
    }

    const QDir logFolder(linkFolder(folder.absolutePath(), userPortFolder()));
    const QString log = logFolder.absoluteFilePath(QStringLiteral("vexel-module.log"));
    QProcess module;
    module.setProgram(folder.absoluteFilePath(QStringLiteral("vexel-module.exe")));
    module.setArguments({QStringLiteral("--settings-port")});
    module.setProcessChannelMode(QProcess::MergedChannels);
    module.setStandardOutputFile(log, QIODevice::Truncate);
    // The module is a console program; started from here it has its window
    // and no console.
    module.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *arguments) { arguments->flags |= CREATE_NO_WINDOW; });
    if (!logFolder.mkpath(QStringLiteral("."))) {
        say(QStringLiteral("The virtual LED module did not start: cannot make the folder %1 for its log. Starting "
                           "the control panel alone.")
                .arg(QDir::toNativeSeparators(logFolder.absolutePath())),
            QMessageBox::Warning);
    } else {
        QFile::remove(log);
        module.start();
        if (!module.waitForStarted())
            say(QStringLiteral("The virtual LED module did not start: %1. Starting the control panel alone.")
                    .arg(module.errorString()),
                QMessageBox::Warning);
        // A module that cannot start says why in a window of its own.
        for (QDeadlineTimer started(ModuleStartMs); module.state() == QProcess::Running && !started.hasExpired();) {
            if (moduleStart(log) != Start::Pending)
                break;
            module.waitForFinished(50);
        }
    }

    QProcess controlPanel;
    controlPanel.setProgram(panel);
    controlPanel.setWorkingDirectory(folder.absolutePath());
    controlPanel.start();
    if (!controlPanel.waitForStarted())
        say(QStringLiteral("Cannot start %1: %2").arg(QDir::toNativeSeparators(panel), controlPanel.errorString()),
            QMessageBox::Critical);
    else
        controlPanel.waitForFinished(-1);
    // Asked to close its windows first, as a person would; made to end if it does not.
    if (module.state() == QProcess::Running) {
        module.terminate();
        if (!module.waitForFinished(5000))
            module.kill();
        module.waitForFinished(5000);
    }
    return controlPanel.exitStatus() == QProcess::NormalExit ? controlPanel.exitCode() : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexelapp-with-module"));
    return run();
}
