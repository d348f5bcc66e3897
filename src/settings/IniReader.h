#pragma once

#include <QString>

// One value of an initialization file, looked up the way Windows'
// GetPrivateProfileString does it: section and key names match without regard
// to case or surrounding blanks, the first matching section and the first
// matching key in it count, lines starting with ";" are comments, the value
// loses surrounding blanks and one pair of matching quotes and is cut to 254
// characters. Anything missing, unreadable or empty gives "". The file is
// only read, line by line, and the search ends with the first matching
// section, so neither a huge nor a garbled file costs more than a line buffer.
QString readIniValue(const QString &filePath, const QString &section, const QString &key);

// The folder with exactly one trailing separator, ready for a file name.
QString programFolderPath(const QString &folder);

// The program's folder, with its trailing separator.
QString AppPath();

// A value of "vexel.ini" in the given program folder, or in the program's own.
QString ReadINI(const QString &programFolder, const QString &section, const QString &key);
QString ReadINI(const QString &section, const QString &key);

// The port list index that the stored port number selects: number - 1,
// rounded half to even; "0" gives -1 (nothing selected). Text that is no
// decimal number, or whose index lies outside -1 .. 19, gives 0, the entry of
// port 1, which is also the serial control's own default port.
int startupPortIndex(const QString &commPortText);
