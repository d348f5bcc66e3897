#include "MessageBoxReporter.h"

#include <QEvent>
#include <QMessageBox>

#include <cstdio>

bool MessageBoxReporter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            std::printf("message box: %s\n", qPrintable(box->text()));
            std::fflush(stdout);
        }
    }
    return QObject::eventFilter(watched, event);
}
