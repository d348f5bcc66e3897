#pragma once

#include <QObject>
#include <QTimer>

// The short pause the storing commands make so the module can answer. The
// event loop keeps running meanwhile, so clicks are handled in the middle of
// a wait and may start a wait of their own.
class TimerWait : public QObject
{
    Q_OBJECT
public:
    explicit TimerWait(QObject *parent = nullptr);

    // Returns after the next tick of the timer: true then, false when the wait
    // was abandoned because the program is ending.
    bool wait();

    // Ends every running wait at once; later waits return false immediately.
    void abandon();
    bool abandoned() const { return m_abandoned; }

    QTimer &timer() { return m_timer1; }
    qint16 timerElapsed() const { return m_timerElapsed; }

private:
    void Timer1_Timer();

    QTimer m_timer1;
    qint16 m_timerElapsed = 0;
    bool m_abandoned = false;
};
