#pragma once

#include <QObject>

// Prints "message box: <text>" to standard output whenever a message box is
// shown anywhere in the application, even one that closes again at once
// because the application is ending. Install it on the application object.
class MessageBoxReporter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
