#include "AppLook.h"
#include "RunningModule.h"
#include "WindowHarness.h"

#include <QDir>
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
    QFile::remove(harness.filePath("COM1")); // the module links its own
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

// With no COM1 the module is started on it; one that leads to a device, in
// the program folder or the user's, is left alone and the panel starts alone,
// as it does when the module's log cannot be written.
// Both folders hold a blank, as a user's may. The panel is played by
// vexel-send, which stores the start-up screen on the settings file's port.
void EndToEndTest::launcherStartsBothAndStopsTheModule()
{
    for (const QString com1 : {"", "/dev/null", "user's /dev/ttyS0", "no log"}) {
        WindowHarness harness;
        QFile::remove(harness.filePath("COM1"));
        const QString users = harness.filePath("user config/vexelapp/COM1"), device = com1.section(' ', -1);
        const bool noLog = com1 == "no log"; // where the module's log cannot be written
        if (noLog)
            QVERIFY(QDir().mkpath(harness.filePath("vexel-module.log")));
        else if (com1.startsWith("user's"))
            QVERIFY(QDir().mkpath(QFileInfo(users).path()) && QFile::link(device, users));
        else if (!com1.isEmpty())
            harness.linkPort(1, com1);
        const QString panel = harness.filePath("panel");
        QVERIFY(writeFile(panel, "#!/bin/sh\nexec " VEXEL_SEND_PATH " --dir \"$(dirname \"$0\")\" save-startup\n")
                && QFile::setPermissions(panel, QFile::ReadOwner | QFile::ExeOwner) && QFile::link(VEXEL_MODULE_PATH, harness.filePath("vexel-module"))
                && QFile::link(harness.folder(), harness.filePath("program folder")));
        const Finished launcher = runToEnd(VEXEL_LAUNCHER_PATH, {harness.filePath("program folder")}, {},
                                           {"VEXEL_PANEL=" + panel, "XDG_CONFIG_HOME=" + harness.filePath("user config")});
        QFile log(harness.filePath("vexel-module.log"));
        const QByteArray said = launcher.out.toUtf8() + launcher.err.toUtf8() + (log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray());
        if (!com1.isEmpty()) {
            QVERIFY2(said.contains(noLog ? "did not start: cannot write its log" : "did not start: vexel-module: ")
                     && said.contains("vexel-send: ") // the panel
                     && (noLog || QFileInfo(com1 == device ? harness.filePath("COM1") : users).symLinkTarget() == device), said);
            continue;
        }
        QVERIFY2(launcher.status == 0 && said.contains("Virtual LED module on port 1:") && said.contains("Screen Saved As Startup")
                 && said.contains("\nframe F7 1B save-startup\n") && said.contains("\nanswer AA\n"), said);
        QTRY_VERIFY(!QFileInfo(harness.filePath("COM1")).isSymLink()); // the module is gone
    }
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
