#pragma once

#include <QString>

// Standard input, output and error as a Unix program keeps them: always open,
// and a failed write to standard output is the program's failure, not lost.
class StandardStreams
{
public:
    // The status of a program whose standard output could not be written.
    static constexpr int WriteFailed = 4;

    // Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so
    // that none the program opens later (Qt's event descriptors, a port, a
    // lock file) takes a standard stream's number and gets what was meant
    // for it. First thing in main, before anything opens a descriptor.
    static void openClosed();

    // Flushes standard output; true when every write to it went through.
    static bool outputWritten();

    // The program's exit status once standard output is flushed: status,
    // unless a write to it failed, which is said on standard error as
    // "PROGRAM: write error" (with the system's reason when it still tells
    // it) and turns a success into WriteFailed. Call it once, at the end,
    // after every QTextStream on standard output is flushed or gone.
    static int exitStatus(const QString &program, int status);
};
