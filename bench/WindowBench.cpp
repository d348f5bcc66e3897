#include "WindowBench.h"

#include "Clocks.h"
#include "ModuleProtocol.h"
#include "Samples.h"

#include <QEventLoop>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using Row = ResultTable::Row;

WindowBench::WindowBench()
    : m_catcher(m_harness.line().masterFd()), m_rawCatcher(m_rawLine.masterFd())
{
    // A pseudo-terminal that cannot be made ends the program with its reason.
    m_harness.window().show();
    if (!QTest::qWaitForWindowExposed(&m_harness.window())) {
        fail(QStringLiteral("the window was never shown"));
        return;
    }
    m_harness.click(QStringLiteral("cmdConnect"));
    if (!m_harness.port().portOpen())
        fail(QStringLiteral("CONNECT did not open the line: %1").arg(m_harness.port().errorString()));
}

void WindowBench::fail(const QString &error)
{
    if (m_error.isEmpty())
        m_error = error;
}

double WindowBench::rawLineMs(const QByteArray &frame)
{
    m_rawCatcher.expect(int(frame.size()));
    const qint64 start = Clocks::monotonicNs();
    // One write a byte, as the window sends them.
    for (const char byte : frame) {
        if (::write(m_rawLine.slaveFd(), &byte, 1) != 1) {
            fail(QStringLiteral("writing the baseline line failed"));
            return 0;
        }
    }
    if (!m_rawCatcher.waitUntilComplete(1000) || m_rawCatcher.bytes() != frame) {
        fail(QStringLiteral("the baseline line lost bytes"));
        return 0;
    }
    return Clocks::toMs(m_rawCatcher.completedAtNs() - start);
}

std::vector<Row> WindowBench::clickToLine(int clicks)
{
    auto *save = m_harness.control<QPushButton>(QStringLiteral("cmdSaveBitmap"));
    // Slot 0 and an empty pattern are what the window shows after start-up.
    const QByteArray frame = QByteArray(1, char(ModuleProtocol::SaveBitmap))
        + QByteArray(ModuleProtocol::BitmapFrameLength - 1, '\0');
    Samples app;
    Samples raw;
    for (int i = 0; i < clicks && ready(); ++i) {
        m_catcher.expect(ModuleProtocol::BitmapFrameLength);
        const qint64 start = Clocks::monotonicNs();
        // Returns after the command's wait, during which the catcher ran.
        QTest::mouseClick(save, Qt::LeftButton);
        if (!m_catcher.waitUntilComplete(1000) || m_catcher.bytes() != frame) {
            fail(QStringLiteral("click %1 sent %2 instead of %3")
                     .arg(i)
                     .arg(QString::fromLatin1(m_catcher.bytes().toHex(' ')),
                          QString::fromLatin1(frame.toHex(' '))));
            break;
        }
        app.add(Clocks::toMs(m_catcher.completedAtNs() - start));
        // Interleaved, so both see the same state of the machine.
        raw.add(rawLineMs(frame));
    }
    if (!ready())
        return {};
    return {{QStringLiteral("Click on Save Bitmap to its 10th byte on the line"), app.count(),
             QStringLiteral("median < 1 ms"), ResultTable::ms(app.median(), 3),
             ResultTable::ms(app.percentile(0.99), 3),
             QStringLiteral("10 bytes written straight to a pty: %1").arg(ResultTable::ms(raw.median(), 3)),
             ResultTable::ratio(app.median() / raw.median()), app.median() < 1.0}};
}

std::vector<Row> WindowBench::timerWait(int waits)
{
    TimerWait &wait = m_harness.window().timerWait();
    Samples length;
    Samples cpu;
    for (int i = 0; i < waits; ++i) {
        const qint64 cpuStart = Clocks::processCpuNs();
        const qint64 start = Clocks::monotonicNs();
        if (!wait.wait()) {
            fail(QStringLiteral("the timer wait was abandoned"));
            return {};
        }
        length.add(Clocks::toMs(Clocks::monotonicNs() - start));
        cpu.add(Clocks::toMs(Clocks::processCpuNs() - cpuStart));
    }
    const double deviation = qAbs(length.median() - 100.0);
    return {
        {QStringLiteral("Timer wait, length"), length.count(), QStringLiteral("100 ms ± 5 ms"),
         ResultTable::ms(length.median()), {}, {}, {}, deviation <= 5.0},
        {QStringLiteral("Timer wait, processor time during it"), cpu.count(),
         QStringLiteral("< 5 ms a wait"), ResultTable::ms(cpu.median(), 3), {}, {}, {}, cpu.median() < 5.0},
    };
}

std::vector<Row> WindowBench::atRest(int seconds, int runs)
{
    Samples cpu;
    for (int i = 0; i < runs; ++i) {
        QEventLoop rest;
        QTimer::singleShot(seconds * 1000, &rest, &QEventLoop::quit);
        const qint64 cpuStart = Clocks::processCpuNs();
        rest.exec();
        cpu.add(Clocks::toMs(Clocks::processCpuNs() - cpuStart));
    }
    if (!m_harness.port().portOpen()) {
        fail(QStringLiteral("the line closed while at rest"));
        return {};
    }
    return {{QStringLiteral("At rest, connected, %1 s: processor time").arg(seconds), cpu.count(),
             QStringLiteral("< 10 ms"), ResultTable::ms(cpu.median(), 3), {}, {}, {}, cpu.median() < 10.0}};
}

std::vector<Row> WindowBench::clearAll(int runs)
{
    auto *clear = m_harness.control<QPushButton>(QStringLiteral("cmdCLR"));
    const QString unlit = m_harness.filePath(QStringLiteral("dotb.JPG"));
    Samples app;
    Samples bare;
    for (int i = 0; i < runs; ++i) {
        // Paint what the last run changed outside the measured span.
        QCoreApplication::processEvents();
        const qint64 start = Clocks::monotonicNs();
        QTest::mouseClick(clear, Qt::LeftButton);
        app.add(Clocks::toMs(Clocks::monotonicNs() - start));

        const qint64 bareStart = Clocks::monotonicNs();
        // QPixmap::load would answer from Qt's pixmap cache after the first
        // call; the baseline reads the file each time, as the editor must.
        for (int cell = 0; cell < 64; ++cell) {
            const QPixmap picture = QPixmap::fromImage(QImage(unlit));
            if (picture.isNull()) {
                fail(QStringLiteral("Qt cannot load %1").arg(unlit));
                return {};
            }
        }
        bare.add(Clocks::toMs(Clocks::monotonicNs() - bareStart));
    }
    if (!m_harness.messages().shown.isEmpty()) {
        fail(QStringLiteral("Clear ALL reported: %1").arg(m_harness.messages().shown.join(QLatin1Char('/'))));
        return {};
    }
    return {{QStringLiteral("Clear ALL, its 64 picture loads"), app.count(), QStringLiteral("< 10 ms"),
             ResultTable::ms(app.median(), 3), {},
             QStringLiteral("64 bare QImage loads: %1").arg(ResultTable::ms(bare.median(), 3)),
             ResultTable::ratio(app.median() / bare.median()), app.median() < 10.0}};
}
