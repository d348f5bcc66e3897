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
// and both started the way ./run starts them.
class EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { AppLook::prepare(); }
    void commandReachesTheModule_data();
    void commandReachesTheModule();
    void launcherStartsBothAndStopsTheModule_data();
    void launcherStartsBothAndStopsTheModule();
};

// The module's last frame, and when given the display it printed after it.
void EndToEndTest::commandReachesTheModule_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("decoded");
    QTest::addColumn<QString>("messages");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char *name, const char *options, const char *steps, const char *decoded,
                        const char *messages = "", const char *shown = "") {
        QTest::newRow(name) << QString(options) << QString(steps) << QString(decoded) << QString(messages) << QString(shown);
    };
    row("static characters", "", "type txtAText A; type txtBText ^3; click cmdSendDA", R"(FE 41 03 static-chars first="A" second=^3)");
    row("scroll text", "", "type txtSText Hello; click cmdScroll", R"(FD 48 65 6C 6C 6F scroll-text text="Hello" end=pause)");
    row("fastest speed", "", "choose cboSpeed 3; click cmdSpeed", "FA 21 scroll-speed speed=3");
    row("left arrow at 1", "", "choose cboPosition 1; click cmdAnimate3", "F8 03 01 animate arrow=left pos=1");
    row("show pattern at 1", "", "cell 1 16; choose cboPosition 1; click cmdSendBM", "FC 01 10 00 00 00 00 00 00 00 display-bitmap pos=1");
    // The top row, the second, the fifth and the bottom one.
    row("a drawn pattern is shown as drawn", "", "cell 1 16; cell 2 32; cell 4 1; cell 8 8; click cmdSendBM",
        "FC 00 10 20 00 01 00 00 00 08 display-bitmap pos=0", "", "#....... ........, .#...... ........, ........ ........, "
        "........ ........, ...#.... ........, ........ ........, ........ ........, .......# ........");
    row("store pattern in slot 9", "", "cell 1 16; choose cboBMP 9; click cmdSaveBitmap",
        "F9 09 10 00 00 00 00 00 00 00 save-bitmap slot=9", "Bitmap Saved");
    row("start-up screen", "", "click cmdSaveSU", "F7 1B save-startup", "Screen Saved As Startup");
    row("a module that does not answer", "--ack none", "click cmdSaveBitmap; click cmdSaveSU", "F7 1B save-startup");
    row("a module that answers after the wait", "--ack delay:300", "click cmdSaveSU", "F7 1B save-startup");
    row("a module that answers twice", "--ack double", "click cmdSaveSU", "F7 1B save-startup");
    row("a module that answers another byte", "--ack byte:55", "click cmdSaveBitmap; click cmdSaveSU", "F7 1B save-startup");
}

void EndToEndTest::commandReachesTheModule()
{
    QFETCH(QString, options);
    QFETCH(QString, steps);
    QFETCH(QString, shown);
    WindowHarness harness("[Settings]\nCommPort=1\n", WindowHarness::Line::Unlinked);
    RunningModule module(harness.folder());
    QVERIFY(module.start(options.split(' ', Qt::SkipEmptyParts)));
    harness.click("cmdConnect");
    QVERIFY(module.waitFor("line open"));
    harness.run(steps);
    for (qsizetype clicks = steps.count("click cmd"); clicks > 0; --clicks)
        QVERIFY(module.waitFor("frame "));
    QTEST(module.seen("frame ").last(), "decoded");
    QTEST(harness.messages().shown.join('|'), "messages");
    if (!shown.isEmpty())
        QCOMPARE(module.nextDisplay().join(", "), shown);
}

void EndToEndTest::launcherStartsBothAndStopsTheModule_data()
{
    QTest::addColumn<QString>("com1"); // what COM1 is before
    QTest::newRow("no COM1: the module is started on it") << "";
    QTest::newRow("COM1 leads to a real device: it is left alone") << "/dev/null";
}

void EndToEndTest::launcherStartsBothAndStopsTheModule()
{
    QFETCH(QString, com1);
    WindowHarness harness("[Settings]\nCommPort=1\n", WindowHarness::Line::Unlinked);
    if (!com1.isEmpty())
        harness.linkPort(1, com1);
    QFile::link(VEXEL_MODULE_PATH, harness.filePath("vexel-module"));
    const Finished launcher = runToEnd(VEXEL_LAUNCHER_PATH, {harness.folder()}, {},
        {"VEXEL_PANEL=" + QCoreApplication::applicationFilePath(), "VEXEL_SMOKE_FOLDER=" + harness.folder()});
    if (!com1.isEmpty()) {
        QVERIFY2(launcher.out.contains("did not start"), qPrintable(launcher.out));
        QCOMPARE(QFileInfo(harness.filePath("COM1")).symLinkTarget(), com1);
        return;
    }
    QVERIFY2(launcher.status == 0 && launcher.out.contains("Virtual LED module on port 1"), qPrintable(launcher.out + launcher.err));
    QFile log(harness.filePath("vexel-module.log"));
    const QByteArray moduleSaid = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray("no log");
    QVERIFY2(moduleSaid.contains("\nframe F7 1B save-startup\n") && moduleSaid.contains("\nanswer AA\n"), moduleSaid);
    QTRY_VERIFY(!QFileInfo(harness.filePath("COM1")).isSymLink()); // the module is gone
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
