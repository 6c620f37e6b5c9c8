// Numbers shared by the dispatcher, the port component and the fax engine:
// library error codes, trigger message codes, status trigger kinds, modem
// status bits and the kinds and sub-kinds of the dispatch log.
//
// Operations of the dispatcher return these codes negated (0 = success); the
// port component turns a negative result into an exception (portexceptions.h).
#pragma once

#include <cstdint>

namespace qln {

// Library error codes (positive; returned negated).
enum : int {
    ecOK = 0,
    ecOutOfMemory = 8,
    ecBadArgument = 1002,
    ecPortNotAssigned = 1005,
    ecInternal = 1006,
    ecBadId = 2001,               // port doesn't exist
    ecBaudRate = 2002,
    ecByteSize = 2003,
    ecDefault = 2004,
    ecHardware = 2005,            // port in use
    ecMemory = 2006,
    ecCommNotOpen = 2007,
    ecAlreadyOpen = 2008,
    ecNoHandles = 2009,
    ecNoTimers = 2010,
    ecNoPortSelected = 2011,
    ecNotOpenedByTapi = 2012,
    ecNullApi = 3001,
    ecPutBlockFail = 3004,
    ecGetBlockFail = 3005,
    ecOutputBufferTooSmall = 3006,
    ecBufferIsEmpty = 3007,
    ecTracingNotEnabled = 3008,
    ecLoggingNotEnabled = 3009,
    ecNoMoreTriggers = 5001,
    ecTriggerTooLong = 5002,
    ecBadTriggerHandle = 5003,
};

// Trigger messages: the first argument of event-handler callbacks and the
// message number delivered to window handlers. For the four trigger kinds the
// lParam carries the dispatcher index in its high 16 bits.
enum : uint32_t {
    msgTriggerAvail = 0x7E01,   // wParam: byte count
    msgTriggerData = 0x7E02,    // wParam: handle, lParam low: pattern length
    msgTriggerTimer = 0x7E03,   // wParam: handle
    msgTriggerStatus = 0x7E04,  // wParam: handle, lParam low: byte count (kinds 3, 4)
    msgPortOpen = 0x7E08,       // to port users
    msgPortClosing = 0x7E09,    // to port users
    msgClosePending = 0x7E0A,   // deferred close request, posted to the port's window
};

// Status trigger kinds (the low three bits of a status trigger's handle).
enum : int {
    stNotActive = 0,
    stModem = 1,
    stLine = 2,
    stOutBuffFree = 3,
    stOutBuffUsed = 4,
    stOutSent = 5,
};

// Handle 1 names the avail level; trigger handles are multiples of 8 from 8.
constexpr int kAvailTriggerHandle = 1;

// Modem status byte: high nibble current lines, low nibble change bits.
enum : uint8_t {
    msDCTS = 0x01,
    msDDSR = 0x02,
    msTERI = 0x04,
    msDDCD = 0x08,
    msCTS = 0x10,
    msDSR = 0x20,
    msRI = 0x40,
    msDCD = 0x80,
};

// Line error bits (low five bits kept).
enum : uint8_t {
    leOverrun = 0x02,
    leParity = 0x04,
    leFraming = 0x08,
    leBreak = 0x10,
};

// Kinds of dispatch log entries (0 to 19).
enum TDispatchType : uint8_t {
    dtNone, dtDispatch, dtTrigger, dtError, dtThread, dtTriggerAlloc, dtTriggerDispose,
    dtTriggerHandlerAlloc, dtTriggerHandlerDispose, dtTriggerDataChange, dtTelnet, dtFax,
    dtXModem, dtYModem, dtZModem, dtKermit, dtAscii, dtBPlus, dtPacket, dtUser,
};

// Sub-kinds of dispatch log entries. Kind dtFax uses the fax state number as
// its sub-kind instead (names supplied by the fax engine, see dispatchlog.h).
enum TDispatchSubType : uint8_t {
    dstNone, dstReadCom, dstWriteCom, dstLineStatus, dstModemStatus, dstAvail, dstTimer,
    dstData, dstStatus, dstThreadStart, dstThreadExit, dstThreadSleep, dstThreadWake,
    dstWindow, dstProcedure, dstMethod, dstUser,
};

} // namespace qln
