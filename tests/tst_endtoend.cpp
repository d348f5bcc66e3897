#include "AppLook.h"
#include "RunningModule.h"
#include "WindowHarness.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

// The real window driving the real stand-in module over a pseudo-terminal,
// and the launcher of ./run starting the module before the panel. What each
// command sends is the window's test's, what the module makes of it the
// module's test's.
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

// With COM1 leading nowhere the module is started on it; one that leads to a
// real device is left alone. The panel it starts is played by vexel-send,
// which stores the start-up screen on the port of the folder's settings file.
void EndToEndTest::launcherStartsBothAndStopsTheModule()
{
    for (const QString com1 : {"/nonexistent", "/dev/null"}) {
        WindowHarness harness;
        harness.linkPort(1, com1);
        const QString panel = harness.filePath("panel");
        QVERIFY(writeFile(panel, "#!/bin/sh\nexec " VEXEL_SEND_PATH " --dir \"$(dirname \"$0\")\" save-startup\n")
                && QFile::setPermissions(panel, QFile::ReadOwner | QFile::ExeOwner) && QFile::link(VEXEL_MODULE_PATH, harness.filePath("vexel-module")));
        const Finished launcher = runToEnd(VEXEL_LAUNCHER_PATH, {harness.folder()}, {}, {"VEXEL_PANEL=" + panel});
        QFile log(harness.filePath("vexel-module.log"));
        const QByteArray said = launcher.out.toUtf8() + launcher.err.toUtf8() + (log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray());
        if (com1 == "/dev/null") {
            QVERIFY2(said.contains("did not start") && QFileInfo(harness.filePath("COM1")).symLinkTarget() == com1, said);
            continue;
        }
        QVERIFY2(launcher.status == 0 && said.contains("Virtual LED module on port 1") && said.contains("Screen Saved As Startup")
                 && said.contains("\nframe F7 1B save-startup\n") && said.contains("\nanswer AA\n"), said);
        QTRY_VERIFY(!QFileInfo(harness.filePath("COM1")).isSymLink()); // the module is gone
    }
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
