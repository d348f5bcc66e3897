#include "AppLook.h"
#include "RunningModule.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <cstdio>

namespace {

// Stands in for the control panel when the launcher is tested: the real
// window in the folder named by VEXEL_SMOKE_FOLDER connects to port 1, saves
// the start-up screen and exits 0 once the module confirmed it.
int smokePanel(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppLook::prepare();
    const QString folder = qEnvironmentVariable("VEXEL_SMOKE_FOLDER");
    SerialPortControl port(folder);
    RecordingMessages messages;
    MainWindow window(port, messages, folder);
    window.show();
    window.findChild<QPushButton *>("cmdConnect")->click();
    if (port.portOpen())
        window.findChild<QPushButton *>("cmdSaveSU")->click();
    for (const QString &text : messages.shown)
        std::printf("message %s\n", qPrintable(text));
    return messages.shown == QStringList{"Screen Saved As Startup"} ? 0 : 1;
}

} // namespace

// The real window driving the real stand-in module over a pseudo-terminal,
// and both started the way ./run starts them. What each command sends is
// the window's test's, what the module makes of it the module's test's.
class EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void patternShownAndStoreAcknowledged();
    void launcherStartsBothAndStopsTheModule();
};

void EndToEndTest::patternShownAndStoreAcknowledged()
{
    WindowHarness harness;
    harness.linkPort(1, "/nonexistent"); // the module replaces a link that leads nowhere
    RunningModule module(harness.folder());
    QVERIFY(module.start());
    harness.click("cmdConnect");
    QVERIFY(module.waitFor("line open"));
    // The top row, the second, the fifth and the bottom one.
    harness.run("cell 1 16; cell 2 32; cell 4 1; cell 8 8; click cmdSendBM");
    QVERIFY(module.waitFor("frame FC 00 10 20 00 01 00 00 00 08 display-bitmap pos=0"));
    QCOMPARE(module.nextDisplay().join(", "), "#....... ........, .#...... ........, ........ ........, ........ ........, "
                                              "...#.... ........, ........ ........, ........ ........, .......# ........");
    harness.run("click cmdSaveSU");
    QVERIFY(module.waitFor("frame F7 1B save-startup"));
    QCOMPARE(harness.messages().shown, QStringList{"Screen Saved As Startup"});
}

// With COM1 leading nowhere the module is started on it; one that leads to a real device is left alone.
void EndToEndTest::launcherStartsBothAndStopsTheModule()
{
    for (const QString com1 : {"", "/dev/null"}) {
        WindowHarness harness;
        harness.linkPort(1, com1.isEmpty() ? "/nonexistent" : com1);
        QFile::link(VEXEL_MODULE_PATH, harness.filePath("vexel-module"));
        const Finished launcher = runToEnd(VEXEL_LAUNCHER_PATH, {harness.folder()}, {},
            {"VEXEL_PANEL=" + QCoreApplication::applicationFilePath(), "VEXEL_SMOKE_FOLDER=" + harness.folder()});
        if (!com1.isEmpty()) {
            QVERIFY2(launcher.out.contains("did not start"), qPrintable(launcher.out));
            QCOMPARE(QFileInfo(harness.filePath("COM1")).symLinkTarget(), com1);
            continue;
        }
        QVERIFY2(launcher.status == 0 && launcher.out.contains("Virtual LED module on port 1"), qPrintable(launcher.out + launcher.err));
        QFile log(harness.filePath("vexel-module.log"));
        const QByteArray moduleSaid = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray("no log");
        QVERIFY2(moduleSaid.contains("\nframe F7 1B save-startup\n") && moduleSaid.contains("\nanswer AA\n"), moduleSaid);
        QTRY_VERIFY(!QFileInfo(harness.filePath("COM1")).isSymLink()); // the module is gone
    }
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("VEXEL_SMOKE_FOLDER"))
        return smokePanel(argc, argv);
    QApplication app(argc, argv);
    EndToEndTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_endtoend.moc"
