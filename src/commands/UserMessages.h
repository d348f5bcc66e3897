#pragma once

#include <QString>

// Where the program tells the user something: a modal box in the program, a
// recorder in tests (a modal box would stop a test until someone closes it).
class UserMessages
{
public:
    virtual ~UserMessages() = default;
    virtual void show(const QString &text) = 0;
};
