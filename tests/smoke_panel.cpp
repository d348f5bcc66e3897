// Stands in for the control panel when the launcher is tested headless: the
// real window in the folder named by VEXEL_SMOKE_FOLDER connects to port 1,
// saves the start-up screen and exits 0 once the module confirmed it.
#include "AppLook.h"
#include "MainWindow.h"
#include "RecordingMessages.h"
#include "SerialPortControl.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppLook::prepare();
    const QString folder = qEnvironmentVariable("VEXEL_SMOKE_FOLDER");
    SerialPortControl port(folder);
    RecordingMessages messages;
    MainWindow window(port, messages, folder);
    window.show();
    QTimer::singleShot(0, &window, [&] {
        window.findChild<QPushButton *>("cmdConnect")->click();
        if (port.portOpen())
            window.findChild<QPushButton *>("cmdSaveSU")->click();
        for (const QString &text : messages.shown)
            std::printf("message %s\n", qPrintable(text));
        window.close();
    });
    app.exec();
    return messages.shown == QStringList{QStringLiteral("Screen Saved As Startup")} ? 0 : 1;
}
