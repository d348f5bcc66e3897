#pragma once

#include "FrameDecoder.h"
#include "MainWindow.h"
#include "PtyPair.h"
#include "SerialPortControl.h"
#include "UserMessages.h"

#include <QPushButton>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QSocketNotifier;

// Records what the program would have shown in a box, instead of blocking
// the test in a modal one. onShow, when set, plays the user's part while the
// box would be up.
class RecordingMessages : public UserMessages
{
public:
    void show(const QString &text) override
    {
        shown.append(text);
        if (onShow)
            onShow(text);
    }

    QStringList shown;
    std::function<void(const QString &)> onShow;
};

// The real window in a program folder of its own, its port 1 linked to a
// pseudo-terminal whose far end the test plays (or left for another program
// to link). The folder holds the two dot pictures and a settings file naming
// port 1.
//
// run() takes a case as a line of steps separated by ";", each a verb and
// its words (step() lists them). The far end records what the window sends
// and answers each store as the steps say.
class WindowHarness
{
public:
    WindowHarness();
    ~WindowHarness();

    // Built on first use, after the folder has been arranged; shown and active.
    MainWindow &window();
    QString folder() const { return m_folder.path(); }
    QString filePath(const QString &name) const { return m_folder.filePath(name); }
    void linkPort(int number, const QString &device);

    PtyPair &line() { return m_line; }
    SerialPortControl &port() { return m_port; }
    RecordingMessages &messages() { return m_messages; }

    template <typename T = QWidget> T *control(const QString &name) { return window().findChild<T *>(name); }
    // As a person clicks: the window active and the focus on the button.
    void click(const QString &name);
    qint64 clickMs() const { return m_clickMs; } // how long the last click took

    void run(const QString &steps);
    // Everything the far end has received since the steps began.
    QByteArray received();
    // The settings file as the steps last wrote it.
    QByteArray settingsFile() const { return m_settings; }

private:
    void step(const QString &step);
    void type(const QString &name, const QString &text);
    void focus(QWidget *widget);
    void listenTo(PtyPair &line);
    void onReadable();
    void writeFile(const QString &name, const QByteArray &content);
    QString state(const QString &name);
    QString cellLook(int column, int weight);

    QTemporaryDir m_folder;
    PtyPair m_line;
    SerialPortControl m_port;
    RecordingMessages m_messages;
    std::unique_ptr<MainWindow> m_window;
    QByteArray m_settings;
    // The far end: the line it plays, what came, the answer to a store.
    PtyPair *m_far = &m_line;
    std::unique_ptr<PtyPair> m_spare;
    std::unique_ptr<SerialPortControl> m_otherProgram;
    std::unique_ptr<QSerialPort> m_otherDevice;
    std::unique_ptr<QSocketNotifier> m_notifier;
    FrameDecoder m_decoder;
    QByteArray m_received, m_answer;
    int m_answerDelayMs = 0;
    qint64 m_clickMs = 0;
};
