#pragma once

#include "BitmapCommands.h"
#include "CollectedMessages.h"
#include "FrameSender.h"
#include "ModuleCommand.h"
#include "SerialPortControl.h"
#include "TextCommands.h"
#include "TimerWait.h"

#include <QString>
#include <QStringList>

// The exit statuses of vexel-send.
enum ExitStatus { Sent = 0, NotAcknowledged = 1, BadUsage = 2, PortFailed = 3 };

// The panel's own layers on one port: every command goes out through the
// window's commands, frame sender and port control, and what the window would
// show becomes text to print and an exit status.
//
// Unlike the window, it writes at the line's pace, however long a command
// file is, and a command counts as sent only once its bytes have left the
// program and the system's queue for the line. A line that takes no byte for
// StallLimitMs has stopped, and the port counts as lost.
class ModuleSession
{
public:
    static constexpr int StallLimitMs = 3000;

    struct Result
    {
        ExitStatus status = Sent;
        QStringList output;  // the monitor's text, then the panel's messages
        QString error;       // why the status is not Sent
    };

    explicit ModuleSession(const QString &programDir);

    // Opens port N of the program folder, or the device when one is named,
    // with the panel's line settings. Empty on success, else why not.
    QString open(int port, const QString &device);
    Result run(const ModuleCommand &command);

private:
    Result sendResult(bool sent) const;
    Result storeResult(const StoreReply &reply) const;

    QString m_programDir;
    SerialPortControl m_port;
    FrameSender m_sender{m_port};
    TimerWait m_wait;
    CollectedMessages m_messages;
    TextCommands m_textCommands{{m_sender, m_port, m_wait, m_messages}};
    BitmapCommands m_bitmapCommands{{m_sender, m_port, m_wait, m_messages}};
};
