#include "TimerWait.h"

#include <QCoreApplication>
#include <QEventLoop>

TimerWait::TimerWait(QObject *parent) : QObject(parent)
{
    m_timer1.setInterval(100);
    m_timer1.setTimerType(Qt::PreciseTimer);
    connect(&m_timer1, &QTimer::timeout, this, &TimerWait::Timer1_Timer);
}

bool TimerWait::wait()
{
    if (m_abandoned)
        return false;
    m_timerElapsed = 0;
    // A wait started inside another restarts the timer: the inner store gets
    // its full interval, and the outer wait ends with it on the same tick.
    m_timer1.start();
    while (m_timerElapsed == 0 && !m_abandoned)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    m_timer1.stop();
    return !m_abandoned;
}

void TimerWait::abandon()
{
    m_abandoned = true;
    m_timer1.stop();
}

void TimerWait::Timer1_Timer()
{
    m_timerElapsed = 1;
}
