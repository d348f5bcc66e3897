#include "AppLook.h"
#include "PlayBench.h"
#include "ResultTable.h"
#include "SendBench.h"
#include "StartupBench.h"
#include "StartupChild.h"
#include "WindowBench.h"

#include <QApplication>
#include <QTextStream>

#include <cstring>

// vexel-bench [--quick] [--startup-only]
//   Measures the control panel and prints the figures as a Markdown table.
//   --quick takes fewer repetitions; --startup-only measures start-up alone.
// vexel-bench --qt-version
// vexel-bench --child-app FOLDER | --child-bare | --child-bare-text
//   The child processes of the start-up measure.
namespace {

struct Repetitions
{
    int clicks = 1000;
    int waits = 50;
    int restRuns = 3;
    int clears = 100;
    int starts = 10;
    int frames = 1000;
    int sendCommands = 3000;
    int sendStarts = 100;
};

constexpr Repetitions Quick {100, 10, 1, 20, 3, 200, 500, 20};
// A 96000-baud line: fast enough to take 3000 commands in ten seconds, slow
// enough that they fill the pseudo-terminal many times over.
constexpr int SendLineBytesPerSecond = 9600;
constexpr int RestSeconds = 10;

bool argumentIs(int argc, char **argv, int index, const char *flag)
{
    return index < argc && std::strcmp(argv[index], flag) == 0;
}

void progress(const QString &text)
{
    QTextStream(stderr) << text << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argumentIs(argc, argv, 1, "--qt-version")) {
        QTextStream(stdout) << qVersion() << Qt::endl;
        return 0;
    }
    if (argumentIs(argc, argv, 1, "--child-app") && argc >= 3)
        return StartupChild::runApp(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argumentIs(argc, argv, 1, "--child-bare"))
        return StartupChild::runBare(argc, argv, false);
    if (argumentIs(argc, argv, 1, "--child-bare-text"))
        return StartupChild::runBare(argc, argv, true);

    QApplication app(argc, argv);
    AppLook::prepare();
    const QStringList arguments = app.arguments();
    const bool quick = arguments.contains(QStringLiteral("--quick"));
    const bool startupOnly = arguments.contains(QStringLiteral("--startup-only"));
    const Repetitions repetitions = quick ? Quick : Repetitions();
    const QString platform = QGuiApplication::platformName();

    ResultTable table;
    const auto addAll = [&table](std::vector<ResultTable::Row> rows) {
        for (ResultTable::Row &row : rows)
            table.add(std::move(row));
    };
    // The window under test also lends its program folder to the start-up
    // children, so they find the same pictures and settings.
    WindowBench window;
    if (!startupOnly) {
        progress(QStringLiteral("click to line, %1 clicks").arg(repetitions.clicks));
        addAll(window.clickToLine(repetitions.clicks));
        progress(QStringLiteral("timer wait, %1 waits").arg(repetitions.waits));
        addAll(window.timerWait(repetitions.waits));
        progress(QStringLiteral("at rest, %1 x %2 s").arg(repetitions.restRuns).arg(RestSeconds));
        addAll(window.atRest(RestSeconds, repetitions.restRuns));
        progress(QStringLiteral("Clear ALL, %1 runs").arg(repetitions.clears));
        addAll(window.clearAll(repetitions.clears));
    }
    if (!window.ready()) {
        progress(QStringLiteral("vexel-bench: %1").arg(window.error()));
        return 2;
    }
    if (!startupOnly) {
        progress(QStringLiteral("vexel-send play, 100 frames at 50 ms, then %1 at 20 ms").arg(repetitions.frames));
        PlayBench play(QStringLiteral(VEXEL_SEND_PATH));
        addAll(play.drift(100, 50));
        addAll(play.jitter(repetitions.frames, 20));
        if (!play.ready()) {
            progress(QStringLiteral("vexel-bench: %1").arg(play.error()));
            return 2;
        }
        progress(QStringLiteral("vexel-send on a slow line, %1 commands").arg(repetitions.sendCommands));
        SendBench send(QStringLiteral(VEXEL_SEND_PATH));
        addAll(send.slowLine(repetitions.sendCommands, SendLineBytesPerSecond));
        progress(QStringLiteral("vexel-send, one command, %1 starts").arg(repetitions.sendStarts));
        addAll(send.oneCommand(repetitions.sendStarts));
        if (!send.ready()) {
            progress(QStringLiteral("vexel-bench: %1").arg(send.error()));
            return 2;
        }
    }

    progress(QStringLiteral("start-up, %1 starts of each window").arg(repetitions.starts));
    StartupBench startup(QCoreApplication::applicationFilePath(), window.programFolder());
    addAll(startup.run(repetitions.starts, platform));
    if (!startup.ready()) {
        progress(QStringLiteral("vexel-bench: %1").arg(startup.error()));
        return 2;
    }

    QTextStream(stdout) << QStringLiteral("Qt %1, platform plugin `%2`, %3 repetitions.\n\n")
                               .arg(QString::fromLatin1(qVersion()), platform,
                                    quick ? QStringLiteral("quick (fewer)") : QStringLiteral("full"))
                        << table.markdown();
    return 0;
}
