#pragma once

#include <QString>

// One value of an initialization file, looked up the way Windows'
// GetPrivateProfileString does it, in a file of bytes (one character each)
// or in UTF-16LE with its byte-order mark: section and key names match
// without regard to case or surrounding blanks, the first matching section
// and the first matching key in it count, lines starting with ";" are
// comments, the value loses surrounding blanks and one pair of matching
// quotes and is cut to 254 characters. Anything missing, unreadable or
// empty gives "". The file is only read, line by line, and the search ends
// with the first matching section, so neither a huge nor a garbled file
// costs more than a line buffer.
QString readIniValue(const QString &filePath, const QString &section, const QString &key);

// The folder with exactly one trailing separator, ready for a file name.
QString programFolderPath(const QString &folder);

// The program's folder, with its trailing separator.
QString AppPath();

// Why the program's folder cannot be told, or "" when it can. A folder name
// in bytes that are not UTF-8 is lost when decoded, and any folder guessed
// instead would hold another settings file and other port links; so the
// programs refuse to start with this message rather than guess.
QString programFolderProblem();

// A value of "vexel.ini" in the given program folder, or in the program's own.
QString ReadINI(const QString &programFolder, const QString &section, const QString &key);
QString ReadINI(const QString &section, const QString &key);

// The port list index that the stored port number selects: number - 1,
// rounded half to even; "0" gives -1 (nothing selected). What Windows users
// write around the number counts as they mean it: a comment after ";" and
// the port's name, so "COM3" and "3 ; USB adapter" give port 3. Any other
// text that is no decimal number, or whose index lies outside -1 .. 19,
// gives 0, the entry of port 1, which is also the serial control's own
// default port. reason says which value gave the index, for a person.
struct StartupPort
{
    int index = 0;
    QString reason;
};
StartupPort startupPort(const QString &commPortText);
int startupPortIndex(const QString &commPortText);

// The port number, from 1, that the panel in this program's folder
// preselects; a settings file that selects none gives port 1.
int startupPortNumber();
