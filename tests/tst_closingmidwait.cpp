#include "ProcessFigures.h"
#include "PtyPair.h"
#include "SerialPortControl.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <unistd.h>

// The whole program, closed by its user in the middle of a storing command's
// wait while the module answers only afterwards: the process ends at once,
// shows no message box and leaves the port to others.
class ClosingMidWaitTest : public QObject
{
    Q_OBJECT
private slots:
    void processEndsAtOnce_data();
    void processEndsAtOnce();
};

void ClosingMidWaitTest::processEndsAtOnce_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("Save Bitmap") << "cmdSaveBitmap" << QByteArray("\xF9\x00", 2) + QByteArray(8, '\0');
    QTest::newRow("Save Current Screen as Startup") << "cmdSaveSU" << QByteArray("\xF7\x1B");
}

void ClosingMidWaitTest::processEndsAtOnce()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, frame);
    QTemporaryDir folder;
    PtyPair line;
    QVERIFY2(line.isValid(), qPrintable(line.errorString()));
    for (const char *picture : {"dotf.BMP", "dotb.JPG"})
        QVERIFY(QFile::copy(QStringLiteral(VEXEL_ASSETS_DIR "/") + picture, folder.filePath(picture)));
    QFile settings(folder.filePath("vexel.ini"));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    QVERIFY(settings.write("[Settings]\nCommPort=1\n") > 0);
    settings.close();
    QVERIFY(QFile::link(line.slavePath(), folder.filePath("COM1")));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VEXEL_CLOSEDRIVER), {folder.path(), button});
    QVERIFY2(program.waitForStarted(5000), qPrintable(program.errorString()));
    const auto stopProgram = qScopeGuard([&] {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(2000);
        }
    });

    QByteArray output;
    while (!output.contains("connected\n") && program.waitForReadyRead(10000))
        output += program.readAllStandardOutput();
    QVERIFY2(output.contains("connected\n"), program.readAllStandardError().constData());

    QCOMPARE(line.read(int(frame.size()), 5000), frame);
    QElapsedTimer sinceClick;
    sinceClick.start();
    bool ended = program.waitForFinished(60);
    qint64 lifetime = sinceClick.elapsed();
    ::usleep(useconds_t(std::max<qint64>(0, 60 - sinceClick.elapsed()) * 1000));
    QVERIFY(line.write(QByteArray(1, char(0xAA)))); // the module's late answer
    if (!ended) {
        ended = program.waitForFinished(2000);
        lifetime = sinceClick.elapsed();
    }
    output += program.readAllStandardOutput();
    QVERIFY2(ended, qPrintable(QStringLiteral("still running after %1 ms: %2").arg(lifetime).arg(QString::fromLocal8Bit(output))));
    qInfo("the program ended %lld ms after the click", lifetime);
    QVERIFY2(lifetime < 1000, qPrintable(QStringLiteral("%1 ms").arg(lifetime)));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(!output.contains("message box:"), output.constData());

    QCOMPARE(ProcessFigures::lockFilesOf(line.slavePath()), QStringList());
    SerialPortControl other(folder.path());
    QVERIFY2(other.setPortOpen(true), qPrintable(other.errorString()));
}

QTEST_GUILESS_MAIN(ClosingMidWaitTest)
#include "tst_closingmidwait.moc"
