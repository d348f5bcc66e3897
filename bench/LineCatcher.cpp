#include "LineCatcher.h"

#include "Clocks.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

LineCatcher::LineCatcher(int fd, QObject *parent) : QObject(parent), m_fd(fd)
{
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LineCatcher::onReadable);
}

void LineCatcher::expect(int count)
{
    m_bytes.clear();
    m_expected = count;
    m_completedAtNs = 0;
}

bool LineCatcher::waitUntilComplete(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!complete() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, int(deadline.remainingTime()));
    return complete();
}

void LineCatcher::onReadable()
{
    // The notifier only fires when bytes wait, so this read does not block.
    char chunk[4096];
    const ssize_t got = ::read(m_fd, chunk, sizeof chunk);
    const qint64 now = Clocks::monotonicNs();
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (got <= 0) {
        m_notifier->setEnabled(false); // the other end is gone for good
        return;
    }
    m_bytes.append(chunk, got);
    if (!complete() && m_expected > 0 && m_bytes.size() >= m_expected)
        m_completedAtNs = now;
}
