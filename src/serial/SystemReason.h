#pragma once

#include <QString>

// The system's words as the clause after a colon that every other reason
// is: "Invalid function." and "Permission error while locking the device"
// begin in lower case and end without a full stop; a name in capitals
// ("COM7 ...") keeps them.
QString systemReason(QString text);
// The same for the system's error code, as errno or GetLastError() give it.
QString systemReason(int errorCode);
