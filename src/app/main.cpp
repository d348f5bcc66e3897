#include "AppLook.h"
#include "IniReader.h"
#include "MainWindow.h"
#include "MessageBoxMessages.h"
#include "SerialPortControl.h"
#include "StandardStreams.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    StandardStreams::openClosed();
    QApplication app(argc, argv);
    AppLook::prepare();

    SerialPortControl port(AppPath());
    MessageBoxMessages messages;
    MainWindow window(port, messages, AppPath());
    messages.setParentWidget(&window);
    window.show();
    return app.exec();
}
