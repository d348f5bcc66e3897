#pragma once

#include "MainWindow.h"
#include "PtyPair.h"
#include "RecordingMessages.h"
#include "SerialPortControl.h"

#include <QPushButton>
#include <QTemporaryDir>

#include <memory>

class QWidget;

// The real window in a program folder of its own, its port 1 linked to a
// pseudo-terminal whose other end the test plays (or left for another
// program to link). The folder holds the two dot pictures and a settings
// file naming port 1 unless told otherwise.
class WindowHarness
{
public:
    enum class Line { Linked, Unlinked };

    explicit WindowHarness(const QByteArray &settingsFile = "[Settings]\nCommPort=1\n",
                           Line line = Line::Linked);

    // Build the window only after the folder has been arranged.
    MainWindow &window();
    QString folder() const { return m_folder.path(); }
    QString filePath(const QString &name) const { return m_folder.filePath(name); }
    void linkPort(int number, const QString &device);

    PtyPair &line() { return m_line; }
    SerialPortControl &port() { return m_port; }
    RecordingMessages &messages() { return m_messages; }

    template <typename T = QWidget> T *control(const QString &name)
    {
        return window().findChild<T *>(name);
    }
    void showWindow(); // shows it and waits until it is on screen
    void click(const QString &name);
    void connect(); // clicks CONNECT and checks that the port opened
    void clickCell(int column, int weight);
    // Replaces a text box's text (or a list's typed text) as a user types it.
    void type(const QString &name, const QString &text);

    QString caption(const QString &name);
    QString columnLabel(int column) { return caption(QStringLiteral("lblC%1").arg(column)); }
    QString monitor() { return caption(QStringLiteral("lblTxData")); }
    bool commandsEnabled();

private:
    QTemporaryDir m_folder;
    PtyPair m_line;
    SerialPortControl m_port;
    RecordingMessages m_messages;
    std::unique_ptr<MainWindow> m_window;
};
