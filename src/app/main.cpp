#include "AppLook.h"
#include "IniReader.h"
#include "MainWindow.h"
#include "MessageBoxMessages.h"
#include "SerialPortControl.h"
#include "StandardStreams.h"
#include "StandardText.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    StandardStreams::openClosed();
    AppLook::beforeApplication();
    QApplication app(argc, argv);
    AppLook::prepare();

    MessageBoxMessages messages;
    if (const QString problem = programFolderProblem(); !problem.isEmpty()) {
        StandardText standardError(stderr);
        QTextStream(&standardError) << "vexelapp: " << problem << Qt::endl;
        // Headless, nobody would close the box.
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            messages.show(problem);
        return 1;
    }
    SerialPortControl port(AppPath());
    MainWindow window(port, messages, AppPath());
    messages.setParentWidget(&window);
    window.show();
    return app.exec();
}
