#include "StopSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

// A signal handler can reach nothing but static data; it writes the signal's
// number into this pipe, which the event loop watches.
int notePipe[2] = {-1, -1};

void noteSignal(int signal)
{
    const char number = char(signal);
    // A full pipe already holds a signal to act on; the second is not needed.
    [[maybe_unused]] const ssize_t written = ::write(notePipe[1], &number, 1);
}

} // namespace

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    if (::pipe2(notePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default: the program ends at once
    m_notifier = new QSocketNotifier(notePipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readSignal);
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    for (const int signal : {SIGINT, SIGTERM})
        ::signal(signal, SIG_DFL);
    ::close(notePipe[0]);
    ::close(notePipe[1]);
    notePipe[0] = notePipe[1] = -1;
}

void StopSignals::readSignal()
{
    char number = 0;
    if (::read(notePipe[0], &number, 1) == 1)
        emit received(number);
}
