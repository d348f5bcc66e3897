#pragma once

#include <QByteArray>
#include <QObject>

class PtyPair;
class QSocketNotifier;

// Plays the LED module at the far end of a pseudo-terminal, inside the test's
// own event loop (so it answers while the program waits): records every byte
// the program sends and answers each storing frame with `reply` after
// `replyDelayMs`. Frames are told apart by their fixed lengths; a scroll
// text's bytes count as frames of their own, so tests keep them plain.
class ScriptedModule : public QObject
{
    Q_OBJECT
public:
    explicit ScriptedModule(PtyPair &line, QObject *parent = nullptr);

    QByteArray received;
    QByteArray reply = QByteArray(1, char(0xAA));
    int replyDelayMs = 0;
    int storesSeen = 0;

private:
    void onReadable();
    void answer();

    PtyPair &m_line;
    QSocketNotifier *m_notifier = nullptr;
    int m_frameLeft = 0;
    bool m_inStore = false;
};
