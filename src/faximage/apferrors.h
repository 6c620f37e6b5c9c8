// Error codes of the fax image operations and their texts.
//
// Every operation of the APF, coding and unpacking classes reports failure as
// a negative integer code (0 is success), never by throwing. The codes are the
// fax library's: file-system failures are negated run-time error numbers
// (2 "File not found", 101 "Disk is full", 161 "Device read error", ...), the
// image codes lie in the 8000 range. Thread-safe: plain functions without
// state.
#pragma once

#include <string>

namespace qln::fax {

enum ApfError : int {
    ecOK = 0,
    ecFileNotFound = -2,
    ecPathNotFound = -3,
    ecTooManyFiles = -4,
    ecAccessDenied = -5,
    ecOutOfMemory = -8,
    ecDiskRead = -100,
    ecDiskFull = -101,
    ecDeviceWrite = -160,
    ecDeviceRead = -161,
    ecBadArgument = -1002,
    ecGotQuitMsg = -1003,
    ecFaxBadFormat = -8001,
    ecUnsupportedFormat = -8002,
    ecUserAbort = -8003,
    ecCantMakeBitmap = -8005,
};

// The text of a code (sign ignored); an unknown code gives "Error <n>".
std::string apfErrorText(int code);

// Maps an errno value of a failed open, read, write, seek or flush to the
// negated run-time error number. `writing` selects the write-side code for
// errors that have no closer match (device write rather than read error).
int ioErrorCode(int err, bool writing);

} // namespace qln::fax
