#include "StartupChild.h"

#include "AppLook.h"
#include "Clocks.h"
#include "ProcessFigures.h"
#include "Layout.h"
#include "MainWindow.h"
#include "MessageBoxMessages.h"
#include "SerialPortControl.h"

#include <QApplication>
#include <QLabel>
#include <QWindow>

#include <cstdio>

namespace StartupChild {

namespace {

// Watches every event of the application, so it is in place before the
// window's native half exists. A window handles its first expose by painting
// itself at once; the report is queued behind that.
class ExposureReporter : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_reported && event->type() == QEvent::Expose) {
            auto *window = qobject_cast<QWindow *>(watched);
            if (window && window->isExposed()) {
                m_reported = true;
                QMetaObject::invokeMethod(this, &ExposureReporter::report, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    void report()
    {
        const qint64 now = Clocks::monotonicNs();
        std::printf("exposed %lld %lld\n", static_cast<long long>(now),
                    static_cast<long long>(ProcessFigures::residentBytes() / 1024));
        std::fflush(stdout);
        QCoreApplication::exit(std::ferror(stdout) ? 1 : 0);
    }

    bool m_reported = false;
};

} // namespace

int runApp(int &argc, char **argv, const QString &programFolder)
{
    QApplication app(argc, argv);
    ExposureReporter reporter;
    app.installEventFilter(&reporter);
    AppLook::prepare();

    SerialPortControl port(programFolder);
    MessageBoxMessages messages;
    MainWindow window(port, messages, programFolder);
    messages.setParentWidget(&window);
    window.show();
    return app.exec();
}

int runBare(int &argc, char **argv, bool withText)
{
    QApplication app(argc, argv);
    ExposureReporter reporter;
    app.installEventFilter(&reporter);

    QWidget window;
    window.setFixedSize(Layout::pixels(Layout::ClientWidthTwips), Layout::pixels(Layout::ClientHeightTwips));
    if (withText) {
        AppLook::prepare();
        auto *line = new QLabel(MainWindow::Title, &window);
        line->setFont(AppLook::windowFont());
    }
    window.show();
    return app.exec();
}

} // namespace StartupChild
