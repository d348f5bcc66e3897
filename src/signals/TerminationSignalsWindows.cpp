#include "TerminationSignals.h"

#include <QMetaObject>
#include <QPointer>

#include <csignal>
#include <windows.h>

namespace {

// A console control handler receives no context, so the one watcher lives
// here; it is only ever read in the handler's thread and set in the owner's.
QPointer<TerminationSignals> &watcher()
{
    static QPointer<TerminationSignals> instance;
    return instance;
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
    const QPointer<TerminationSignals> target = watcher();
    if (!target)
        return FALSE;
    QMetaObject::invokeMethod(target.data(), [target, signal] {
        if (target)
            emit target->received(signal);
    }, Qt::QueuedConnection);
    // Returning would let Windows end the process at once; the program's own
    // exit ends this thread with it.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(INFINITE);
    return TRUE;
}

} // namespace

bool TerminationSignals::block()
{
    return true;
}

void TerminationSignals::unblock()
{
}

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (watcher())
        return;
    watcher() = this;
    m_watching = ::SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

TerminationSignals::~TerminationSignals()
{
    if (!m_watching)
        return;
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    watcher() = nullptr;
}

void TerminationSignals::readSignal()
{
}
