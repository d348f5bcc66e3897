// The control panel as the program itself runs it, in the folder given and
// with real message boxes, played by a user who connects, clicks a storing
// button and closes the window 30 ms later, in the middle of its wait.
// Prints "connected" once the port is open, and "message box: <text>" for
// every message box that comes up.
// Usage: closedriver <program folder> <button name>

#include "AppLook.h"
#include "MainWindow.h"
#include "MessageBoxMessages.h"
#include "MessageBoxReporter.h"
#include "SerialPortControl.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: closedriver <program folder> <button name>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString button = QString::fromLocal8Bit(argv[2]);
    AppLook::prepare();

    SerialPortControl port(folder);
    MessageBoxMessages messages;
    MainWindow window(port, messages, folder);
    messages.setParentWidget(&window);

    MessageBoxReporter reporter;
    app.installEventFilter(&reporter);

    window.show();
    auto *storing = window.findChild<QPushButton *>(button);
    if (!storing) {
        std::fprintf(stderr, "no button %s\n", argv[2]);
        return 2;
    }
    window.findChild<QPushButton *>(QStringLiteral("cmdConnect"))->click();
    if (!port.portOpen()) {
        std::fprintf(stderr, "the port did not open: %s\n", qPrintable(port.errorString()));
        return 3;
    }
    std::printf("connected\n");
    std::fflush(stdout);

    QTimer::singleShot(0, &window, [&] {
        QTimer::singleShot(30, &window, &QWidget::close);
        storing->click(); // returns when its wait is over or given up
    });
    return app.exec();
}
