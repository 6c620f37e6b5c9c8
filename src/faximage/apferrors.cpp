#include "faximage/apferrors.h"

#include "common/stringtable.h"

#include <cerrno>

namespace qln::fax {

std::string apfErrorText(int code)
{
    return qln::libraryText(code < 0 ? -code : code);
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
