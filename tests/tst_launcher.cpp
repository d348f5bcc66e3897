#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The way ./run starts both programs, headless: the module's link appears,
// the panel connects, a frame arrives, and both are gone afterwards.
class LauncherTest : public QObject
{
    Q_OBJECT
private slots:
    void startsModuleThenPanelAndStopsBoth();
    void leavesARealDeviceLinkAlone();

private:
    QProcess *launch(const QTemporaryDir &folder);
};

QProcess *LauncherTest::launch(const QTemporaryDir &folder)
{
    QFile::link(QStringLiteral(VEXEL_MODULE_PATH), folder.filePath("vexel-module"));
    for (const char *asset : {"dotf.BMP", "dotb.JPG"})
        QFile::copy(QStringLiteral(VEXEL_ASSETS_DIR "/") + asset, folder.filePath(asset));
    auto *launcher = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("VEXEL_PANEL", VEXEL_SMOKE_PANEL_PATH);
    environment.insert("VEXEL_SMOKE_FOLDER", folder.path());
    launcher->setProcessEnvironment(environment);
    launcher->start(QStringLiteral(VEXEL_LAUNCHER_PATH), {folder.path()});
    return launcher;
}

void LauncherTest::startsModuleThenPanelAndStopsBoth()
{
    QTemporaryDir folder;
    QProcess *launcher = launch(folder);
    QVERIFY(launcher->waitForFinished(15000));
    const QByteArray said = launcher->readAllStandardOutput();
    QVERIFY2(launcher->exitCode() == 0, said + launcher->readAllStandardError());
    QVERIFY(said.contains("Virtual LED module on port 1"));

    QFile log(folder.filePath("vexel-module.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray moduleSaid = log.readAll();
    QVERIFY2(moduleSaid.contains("\nframe F7 1B save-startup\n"), moduleSaid);
    QVERIFY(moduleSaid.contains("\nanswer AA\n"));
    QTRY_VERIFY(!QFileInfo(folder.filePath("COM1")).isSymLink()); // the module is gone
}

void LauncherTest::leavesARealDeviceLinkAlone()
{
    QTemporaryDir folder;
    QVERIFY(QFile::link("/dev/null", folder.filePath("COM1")));
    QProcess *launcher = launch(folder);
    QVERIFY(launcher->waitForFinished(15000));
    QVERIFY(launcher->readAllStandardOutput().contains("did not start"));
    QCOMPARE(QFileInfo(folder.filePath("COM1")).symLinkTarget(), "/dev/null");
}

QTEST_GUILESS_MAIN(LauncherTest)
#include "tst_launcher.moc"
