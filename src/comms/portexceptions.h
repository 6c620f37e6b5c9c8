// Exceptions of the port component: one class per library code, each
// carrying the positive code and its text from the library string table.
// RaiseForCode picks the class for a code (negative codes are accepted).
#pragma once

#include <stdexcept>
#include <string>

namespace qln {

// Base class of the library's exceptions.
class EAPDException : public std::runtime_error {
public:
    EAPDException(int code, const std::string &text) : std::runtime_error(text), Code(code) {}
    int ErrorCode() const { return Code; }
    const int Code;
};

// Codes 2 to 162 (file system and device errors) other than 8.
class EInOutError : public EAPDException {
public:
    using EAPDException::EAPDException;
};

#define QLN_PORT_EXCEPTION(name)                                                                   \
    class name : public EAPDException {                                                            \
    public:                                                                                        \
        using EAPDException::EAPDException;                                                        \
    };
QLN_PORT_EXCEPTION(EBadArgument)          // 1002
QLN_PORT_EXCEPTION(EPortNotAssigned)      // 1005
QLN_PORT_EXCEPTION(EInternal)             // 1006
QLN_PORT_EXCEPTION(EBadId)                // 2001
QLN_PORT_EXCEPTION(EBaudRate)             // 2002
QLN_PORT_EXCEPTION(EByteSize)             // 2003
QLN_PORT_EXCEPTION(EDefault)              // 2004
QLN_PORT_EXCEPTION(EHardware)             // 2005
QLN_PORT_EXCEPTION(EMemory)               // 2006
QLN_PORT_EXCEPTION(ECommNotOpen)          // 2007
QLN_PORT_EXCEPTION(EAlreadyOpen)          // 2008
QLN_PORT_EXCEPTION(ENoHandles)            // 2009
QLN_PORT_EXCEPTION(ENoTimers)             // 2010
QLN_PORT_EXCEPTION(ENoPortSelected)       // 2011
QLN_PORT_EXCEPTION(ENotOpenedByTapi)      // 2012
QLN_PORT_EXCEPTION(ENullApi)              // 3001
QLN_PORT_EXCEPTION(EPutBlockFail)         // 3004
QLN_PORT_EXCEPTION(EGetBlockFail)         // 3005
QLN_PORT_EXCEPTION(EOutputBufferTooSmall) // 3006
QLN_PORT_EXCEPTION(EBufferIsEmpty)        // 3007
QLN_PORT_EXCEPTION(ETracingNotEnabled)    // 3008
QLN_PORT_EXCEPTION(ELoggingNotEnabled)    // 3009
QLN_PORT_EXCEPTION(ETriggerTooLong)       // 5002
QLN_PORT_EXCEPTION(EBadTriggerHandle)     // 5003
#undef QLN_PORT_EXCEPTION

// Text of a library code (sign ignored); falls back to the system's message.
std::string LibraryErrorText(int code);

// Throws the exception class for the code (sign ignored); code 8 throws
// std::bad_alloc. Does nothing for 0.
void RaiseForCode(int code);

// Calls RaiseForCode for a negative result; returns non-negative results.
inline int CheckResult(int result)
{
    if (result < 0)
        RaiseForCode(result);
    return result;
}

} // namespace qln
