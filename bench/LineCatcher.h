#pragma once

#include <QByteArray>
#include <QObject>

class QSocketNotifier;

// Collects, inside the event loop, what arrives on the device end of a
// pseudo-terminal, and notes the monotonic time at which the expected number
// of bytes had all come. It reads from the event loop rather than a thread of
// its own so the bench measures the program on the cores it has, without a
// second busy reader; the time it notes is therefore an upper bound.
class LineCatcher : public QObject
{
    Q_OBJECT
public:
    explicit LineCatcher(int fd, QObject *parent = nullptr);

    // Forgets what came so far and waits for count bytes.
    void expect(int count);
    bool complete() const { return m_completedAtNs != 0; }
    qint64 completedAtNs() const { return m_completedAtNs; }
    const QByteArray &bytes() const { return m_bytes; }

    // Runs the event loop until complete or timeoutMs have passed.
    bool waitUntilComplete(int timeoutMs);

private:
    void onReadable();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_bytes;
    int m_expected = 0;
    qint64 m_completedAtNs = 0;
};
