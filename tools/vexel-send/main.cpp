#include "CommandPlan.h"
#include "IniReader.h"
#include "ModuleSession.h"
#include "SendOptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexel-send"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QString error;
    const std::optional<SendOptions> options =
        SendOptions::parse(QCoreApplication::arguments(), QCoreApplication::applicationDirPath(), error);
    if (options && options->help) {
        out << SendOptions::HelpText;
        return Sent;
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
        err << "vexel-send: CommPort in " << QDir(options->dir).filePath(QStringLiteral("vexel.ini"))
            << " selects no port; name one with --port N or --device PATH" << Qt::endl;
        return PortFailed;
    }
    ModuleSession session(options->dir);
    error = session.open(port, options->device);
    if (!error.isEmpty()) {
        err << "vexel-send: " << error << Qt::endl;
        return PortFailed;
    }
    for (const CommandPlan::Step &step : *steps) {
        const ModuleSession::Result result = session.run(step.command);
        for (const QString &line : result.output) {
            if (!options->quiet && !line.isEmpty())
                out << line << Qt::endl;
        }
        if (result.status != Sent) {
            err << "vexel-send: " << step.origin << result.error << Qt::endl;
            return result.status;
        }
    }
    return Sent;
}
