#include "comms/portexceptions.h"

#include "comms/dispatchercodes.h"

#include <cstdlib>
#include <cstring>
#include <new>

#ifdef QLN_HAVE_COMMON
#include "common/stringtable.h"
#endif

namespace qln {

std::string LibraryErrorText(int code)
{
    code = std::abs(code);
#ifdef QLN_HAVE_COMMON
    return libraryText(code);
#else
    return std::strerror(code);
#endif
}

void RaiseForCode(int code)
{
    code = std::abs(code);
    if (code == 0)
        return;
    if (code == ecOutOfMemory)
        throw std::bad_alloc();
    const std::string text = LibraryErrorText(code);
    if (code >= 2 && code <= 162)
        throw EInOutError(code, text);
    switch (code) {
    case ecBadArgument: throw EBadArgument(code, text);
    case ecPortNotAssigned: throw EPortNotAssigned(code, text);
    case ecInternal: throw EInternal(code, text);
    case ecBadId: throw EBadId(code, text);
    case ecBaudRate: throw EBaudRate(code, text);
    case ecByteSize: throw EByteSize(code, text);
    case ecDefault: throw EDefault(code, text);
    case ecHardware: throw EHardware(code, text);
    case ecMemory: throw EMemory(code, text);
    case ecCommNotOpen: throw ECommNotOpen(code, text);
    case ecAlreadyOpen: throw EAlreadyOpen(code, text);
    case ecNoHandles: throw ENoHandles(code, text);
    case ecNoTimers: throw ENoTimers(code, text);
    case ecNoPortSelected: throw ENoPortSelected(code, text);
    case ecNotOpenedByTapi: throw ENotOpenedByTapi(code, text);
    case ecNullApi: throw ENullApi(code, text);
    case ecPutBlockFail: throw EPutBlockFail(code, text);
    case ecGetBlockFail: throw EGetBlockFail(code, text);
    case ecOutputBufferTooSmall: throw EOutputBufferTooSmall(code, text);
    case ecBufferIsEmpty: throw EBufferIsEmpty(code, text);
    case ecTracingNotEnabled: throw ETracingNotEnabled(code, text);
    case ecLoggingNotEnabled: throw ELoggingNotEnabled(code, text);
    case ecTriggerTooLong: throw ETriggerTooLong(code, text);
    case ecBadTriggerHandle: throw EBadTriggerHandle(code, text);
    default: throw EAPDException(code, text);
    }
}

} // namespace qln
