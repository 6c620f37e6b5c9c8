#include "faximage/apferrors.h"

#include <cerrno>

namespace qln::fax {

std::string apfErrorText(int code)
{
    if (code < 0)
        code = -code;
    switch (code) {
    case 0: return "OK";
    case 2: return "File not found";
    case 3: return "Path not found";
    case 4: return "Too many open files";
    case 5: return "File access denied";
    case 8: return "Insufficient memory";
    case 100: return "Disk read error";
    case 101: return "Disk is full";
    case 160: return "Device write error";
    case 161: return "Device read error";
    case 1002: return "Bad argument passed to function";
    case 1003: return "Got quit message";
    case 8001: return "File is not an APF file";
    case 8002: return "Unsupported graphics file format";
    case 8003: return "User aborted fax conversion";
    case 8005: return "CreateBitmapIndirect API failure";
    default: return "Error " + std::to_string(code);
    }
}

int ioErrorCode(int err, bool writing)
{
    switch (err) {
    case ENOENT: return ecFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG: return ecPathNotFound;
    case EMFILE:
    case ENFILE: return ecTooManyFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ecAccessDenied;
    case ENOMEM: return ecOutOfMemory;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ecDiskFull;
    default: return writing ? ecDeviceWrite : ecDeviceRead;
    }
}

} // namespace qln::fax
