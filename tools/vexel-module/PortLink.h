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

    // Why the entry at linkPath belongs to someone and must stay; empty when
    // there is no entry, or only what a module that ended left behind: a link
    // into /dev/pts/ whose pseudo-terminal is gone, is ownPty (the one this
    // module was given, the number of the dead one's coming round again), or
    // is held by no other program. Any other link, present or not, may be a
    // user's way to an adapter plugged in later, and a link to a
    // pseudo-terminal that another program holds is a running module's or
    // bridge's.
    static QString keptBecause(const QString &linkPath, const QString &ownPty = QString());

    // Makes the link, replacing only an entry that keptBecause() lets go.
    bool create(const QString &linkPath, const QString &target);
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_target;
    QString m_error;
};
