#include "ProcessFigures.h"
#include "TimerWait.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>



class TimerWaitTest : public QObject
{
    Q_OBJECT
private slots:
    void lastsOneIntervalWithoutSpinning();
    void clicksDuringTheWaitAreHandledBeforeItReturns();
    void nestedWaitEndsBothOnOneTick();
    void abandonEndsEveryWaitAtOnce();
    void timerRunsOnlyInsideAWait();
};

void TimerWaitTest::lastsOneIntervalWithoutSpinning()
{
    TimerWait wait;
    QElapsedTimer clock;
    const qint64 cpuBefore = ProcessFigures::cpuMilliseconds();
    clock.start();
    QVERIFY(wait.wait());
    const qint64 elapsed = clock.elapsed();
    const qint64 cpuMs = ProcessFigures::cpuMilliseconds() - cpuBefore;
    QVERIFY2(elapsed >= 95 && elapsed <= 150, qPrintable(QString::number(elapsed)));
    QVERIFY2(cpuMs < 20, qPrintable(QStringLiteral("processor time %1 ms").arg(cpuMs)));
    QCOMPARE(wait.timerElapsed(), qint16(1));
}

void TimerWaitTest::clicksDuringTheWaitAreHandledBeforeItReturns()
{
    TimerWait wait;
    QPushButton button;
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    int clicks = 0;
    connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    QTimer::singleShot(30, &button, [&] { QTest::mouseClick(&button, Qt::LeftButton); });
    QVERIFY(wait.wait());
    QCOMPARE(clicks, 1);
}

void TimerWaitTest::nestedWaitEndsBothOnOneTick()
{
    TimerWait wait;
    QElapsedTimer clock;
    qint64 innerEnded = -1;
    clock.start();
    QTimer::singleShot(40, &wait, [&] {
        QVERIFY(wait.wait());
        innerEnded = clock.elapsed();
    });
    QVERIFY(wait.wait());
    const qint64 outerEnded = clock.elapsed();
    QVERIFY(innerEnded >= 135);     // the inner store got its full interval
    QVERIFY(outerEnded - innerEnded < 30); // and the outer ended with it
    QVERIFY(!wait.timer().isActive());
}

void TimerWaitTest::abandonEndsEveryWaitAtOnce()
{
    TimerWait wait;
    QElapsedTimer clock;
    bool innerResult = true;
    clock.start();
    QTimer::singleShot(20, &wait, [&] {
        QTimer::singleShot(10, &wait, [&] { wait.abandon(); });
        innerResult = wait.wait();
    });
    QVERIFY(!wait.wait());
    QVERIFY(!innerResult);
    QVERIFY(clock.elapsed() < 90);
    QVERIFY(!wait.wait()); // a program that is ending starts no new wait
}

void TimerWaitTest::timerRunsOnlyInsideAWait()
{
    TimerWait wait;
    QCOMPARE(wait.timer().interval(), 100);
    QVERIFY(!wait.timer().isActive());
    bool activeInside = false;
    QTimer::singleShot(10, &wait, [&] { activeInside = wait.timer().isActive(); });
    QVERIFY(wait.wait());
    QVERIFY(activeInside);
    QVERIFY(!wait.timer().isActive());
}

QTEST_MAIN(TimerWaitTest)
#include "tst_timerwait.moc"
