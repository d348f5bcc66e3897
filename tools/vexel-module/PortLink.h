#pragma once

#include <QString>

// The COMn symbolic link through which the control panel finds the module.
// It goes away with this object, unless someone has pointed it elsewhere since.
class PortLink
{
public:
    PortLink() = default;
    PortLink(const PortLink &) = delete;
    PortLink &operator=(const PortLink &) = delete;
    ~PortLink();

    // Replaces a symbolic link left behind by an earlier run, but never a
    // file or device of that name.
    bool create(const QString &linkPath, const QString &target);
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_target;
    QString m_error;
};
