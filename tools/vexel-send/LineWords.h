#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A line of a command file split into words the way a POSIX shell splits a
// simple command, so that a line reads as it would after "vexel-send":
// blanks separate words; '...' keeps everything in it as it is; "..." too,
// except that \" and \\ stand for " and \; outside quotes a backslash keeps
// the next character as it is; "" and '' make an empty word. A word that
// starts with # starts a comment that runs to the end of the line.
// nullopt, with the reason in error, for an unclosed quote or a backslash at
// the end of the line.
std::optional<QStringList> splitWords(const QString &line, QString &error);
