#include "CommandPlan.h"
#include "IniReader.h"
#include "ModuleSession.h"
#include "PlaySchedule.h"
#include "SendOptions.h"
#include "SettingsLocation.h"
#include "StandardStreams.h"
#include "StandardText.h"
#include "TerminationSignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

int run(int argc, char **argv)
{
    // Qt's and its picture readers' own warnings ("libpng error: ...") would
    // say again, in other words and without the program's name, what
    // vexel-send reports itself.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexel-send"));
    StandardText standardOutput(stdout);
    StandardText standardError(stderr);
    QTextStream out(&standardOutput);
    QTextStream err(&standardError);

    QString error;
    const std::optional<SendOptions> options =
        SendOptions::parse(QCoreApplication::arguments(), QCoreApplication::applicationDirPath(), error);
    if (options && options->help) {
        out << SendOptions::HelpText;
        return Sent;
    }
    // The folder holds vexel.ini and the COMn links; no other is guessed.
    if (options && !QFileInfo(options->dir).isDir()) {
        if (options->dir.isEmpty())
            err << "vexel-send: " << programFolderProblem() << "; or name the folder with --dir DIR" << Qt::endl;
        else
            err << "vexel-send: --dir " << options->dir << " is no folder" << Qt::endl;
        return options->dir.isEmpty() ? PortFailed : BadUsage;
    }
    const auto steps = options ? CommandPlan::make(*options, error) : std::nullopt;
    if (!steps) {
        err << "vexel-send: " << error << "\nTry 'vexel-send --help'." << Qt::endl;
        return BadUsage;
    }

    // Without a port or device: the panel's own start-up choice.
    int port = options->port;
    if (port == 0 && options->device.isEmpty())
        port = startupPortIndex(ReadINI(options->dir, QStringLiteral("Settings"), QStringLiteral("CommPort"))) + 1;
    if (port == 0 && options->device.isEmpty()) {
        err << "vexel-send: CommPort in " << QDir::toNativeSeparators(settingsFilePath(options->dir, QStringLiteral("Settings"), QStringLiteral("CommPort")))
            << " selects no port; name one with --port N or --device PATH" << Qt::endl;
        return PortFailed;
    }
    // From here on Ctrl-C and SIGTERM end the run after the frame being sent,
    // never within one; while the plan is read (perhaps from a terminal) they
    // keep their default, as they do should they not be watched. vexel-send
    // starts no thread.
    const bool blocked = TerminationSignals::block();
    const TerminationSignals terminations;
    if (blocked && !terminations.isValid())
        TerminationSignals::unblock();
    ModuleSession session(options->dir);
    error = session.open(port, options->device);
    if (!error.isEmpty()) {
        err << "vexel-send: " << error << Qt::endl;
        return PortFailed;
    }
    const auto send = [&](const CommandPlan::Step &step, const ModuleCommand &command) {
        const ModuleSession::Result result = session.run(command);
        for (const QString &line : result.output) {
            if (!options->quiet && !line.isEmpty())
                out << line << Qt::endl;
        }
        // As a closed pipe would, output that cannot be written ends the run.
        if (!StandardStreams::outputWritten())
            return StandardStreams::WriteFailed;
        if (result.status != Sent)
            err << "vexel-send: " << step.origin << result.error << Qt::endl;
        return int(result.status);
    };
    PlaySchedule schedule(*steps, CommandPlan::passes(*options, *steps), options->intervalMs, send);
    QObject::connect(&schedule, &PlaySchedule::finished, &app, &QCoreApplication::exit);
    QObject::connect(&terminations, &TerminationSignals::received, &schedule,
                     [&schedule](int signal) { schedule.stop(TerminationSignals::exitStatus(signal)); });
    QMetaObject::invokeMethod(&schedule, &PlaySchedule::start, Qt::QueuedConnection);
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    StandardStreams::openClosed();
    return StandardStreams::exitStatus(QStringLiteral("vexel-send"), run(argc, argv));
}
