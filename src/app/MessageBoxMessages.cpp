#include "MessageBoxMessages.h"

#include <QMessageBox>

void MessageBoxMessages::show(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VexelApp"), text, QMessageBox::Ok, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
