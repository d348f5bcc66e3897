#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal standing in for a serial line: the program under test
// opens slavePath() as its port, and the test plays the device at the other
// end through the master side. Both sides are raw, so bytes pass unchanged
// (no echo, no newline translation). The test's own slave descriptor stays
// open for the pair's lifetime, which keeps bytes written before the program
// opens the port queued on the line, and lets the test read the line settings.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    QString slavePath() const { return m_slavePath; }
    int slaveFd() const { return m_slave; }
    int masterFd() const { return m_master; }

    // Sends bytes to the program; true when all of them were written.
    bool write(const QByteArray &bytes);
    // Waits, without running any event loop, until at least count bytes sent
    // by write() wait on the slave side for the program to read them; the
    // system hands bytes from the master to the slave a moment after write().
    bool waitUntilQueued(int count, int timeoutMs);
    // What the program sent: waits until count bytes have come or timeoutMs
    // have passed since the call, and returns what came (at most count bytes).
    QByteArray read(int count, int timeoutMs);
    // Closes the master side: the line hangs up as when an adapter is unplugged.
    void closeMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
