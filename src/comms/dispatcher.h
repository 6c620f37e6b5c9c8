// TApdBaseDispatcher: the object that owns an open serial device while a port
// is open. It keeps the 8192-byte input ring and the OutSize output ring, runs
// three worker threads (TComThread waits for device events, TDispThread reads
// input, checks triggers and calls the handlers, TOutThread writes the output
// ring to the device), and turns device events, elapsed timers and buffer
// levels into trigger messages for the registered handlers. It also keeps
// the byte trace and the event log of the port.
//
// TApdPosixDispatcher (posixdispatcher.h) supplies the device primitives on
// a termios file descriptor.
//
// Threading: every public operation is safe from any thread. Event handlers
// run on the dispatch thread; window handlers run on the UI thread (through
// UiBridge, 3000 ms limit). Locks: the process-wide dispatcher list, then per
// dispatcher the main lock, the output-ring lock and the input-ring lock,
// always taken in that order. Operations return 0 or a negative library code
// (dispatchercodes.h).
#pragma once

#include "comms/dispatchercodes.h"
#include "comms/dispatchlog.h"
#include "comms/ringbuffer.h"
#include "comms/triggers.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qln {

class TApdDispatcherThread;
class TComThread;
class TDispThread;
class TOutThread;
class TApdEvent;

// Size of the input ring, independent of InSize.
constexpr size_t kDispatchBufferSize = 8192;

// Parity values; 5 keeps the current one in SetLine.
enum TParity : int { pNone, pOdd, pEven, pMark, pSpace };
constexpr int kKeepBaud = 0, kKeepParity = 5, kKeepStopBits = 3, kKeepDataBits = 9;

// Hardware flow options (bits) and software flow choices.
enum THWFlowOption : uint8_t { hwfUseDTR = 1, hwfUseRTS = 2, hwfRequireDSR = 4, hwfRequireCTS = 8 };
enum TSWFlowOptions : int { swfNone, swfReceive, swfTransmit, swfBoth };

// A "window" that receives trigger messages on the UI thread.
class TApdWindowHandler {
public:
    virtual ~TApdWindowHandler() = default;
    virtual intptr_t WndProc(uint32_t msg, uint32_t wParam, int32_t lParam) = 0;
};

// Event handler: called on the dispatch thread with (message, wParam, lParam).
using TApdEventHandler = std::function<void(uint32_t msg, uint32_t wParam, int32_t lParam)>;

// Device event bits passed from the com thread to the dispatch thread.
enum : uint32_t {
    evRxChar = 0x01, evModem = 0x02, evRing = 0x04, evError = 0x08, evBreak = 0x10,
    evHangup = 0x20, evOutput = 0x40,
};

// The engine's tick clock: steady milliseconds / 55.
int64_t DispatcherTick();

class TApdBaseDispatcher {
public:
    TApdBaseDispatcher();
    virtual ~TApdBaseDispatcher();
    TApdBaseDispatcher(const TApdBaseDispatcher &) = delete;
    TApdBaseDispatcher &operator=(const TApdBaseDispatcher &) = delete;

    // Opens the device (steps 1-7 of opening) and starts the threads.
    // comNumber is used for naming only (log header, messages); 0 when opened
    // by path. Returns 0 or a negative code (-2001 missing, -2008 in use).
    int OpenCom(const std::string &device, int comNumber, uint32_t inSize, uint32_t outSize,
                bool dtr, bool rts, int baud, int parity, int dataBits, int stopBits);
    // Starts the three threads; throws std::logic_error("Dispatcher already
    // started") when they run already.
    void StartDispatcher();
    // Shuts the dispatcher down: flushes, stops the threads (letting UI
    // messages run meanwhile), closes the device. Safe to call twice.
    void DonePort();

    // --- Buffers -----------------------------------------------------------
    int WriteBlock(const void *data, size_t len); // 0, -3006, -3004 (device lost)
    int ReadByte();                               // byte 0..255, or -3007 (-3005 device lost)
    int ReadBlock(void *dst, size_t len);         // len, or -3007 when fewer waiting
    int PeekByte(size_t n);                       // byte n (1 = next) or -3007
    int InputCount();
    int OutputCount();
    int OutputFree();
    // Waits up to ms milliseconds for new input to reach the ring; true when
    // some arrived (or some is waiting already). On the dispatch thread (a
    // handler waiting for a reply within its step) it reads the device
    // itself, since no other thread fills the ring then.
    bool WaitForInput(int ms);
    int FlushInput();   // purge driver queue and empty the input ring
    int FlushOutput();  // abandon the write under way, empty ring, purge driver
    // Names the port component's users know.
    int PutBlock(const void *data, size_t len) { return WriteBlock(data, len); }
    int GetBlock(void *dst, size_t len) { return ReadBlock(dst, len); }
    int PeekChar(size_t n) { return PeekByte(n); }
    int InBuffUsed() { return InputCount(); }
    int OutBuffUsed() { return OutputCount(); }
    int OutBuffFree() { return OutputFree(); }

    // --- Line --------------------------------------------------------------
    int SetDTR(bool on); // 0, 1 when flow control owns DTR, -1002 on failure
    int SetRTS(bool on);
    bool DTR() const { return dtr_; }
    bool RTS() const { return rts_; }
    int SetLine(int baud, int parity, int stopBits, int dataBits);
    int SetFlowControl(uint8_t hwOptions, int swOptions, uint8_t xonChar, uint8_t xoffChar,
                       uint32_t bufferFull, uint32_t bufferResume);
    int CurrentBaud() const { return baud_; }
    // The hardware handshaking last set (THWFlowOption bits).
    uint8_t HWFlowOptions();
    uint8_t ModemStatus(); // current modem status byte; clears the change nibble
    // Line errors since the last call; clears them. lineBreak tells a break.
    uint8_t LineErrors(bool &lineBreak);
    bool DeviceLost() const { return deviceLost_; }

    // --- Triggers ----------------------------------------------------------
    void SetAvailLevel(uint32_t level);
    uint32_t AvailLevel() const { return availLevel_; }
    int NewTimerTrigger();
    int NewStatusTrigger(int kind);
    int NewDataTrigger(const std::string &pattern, bool ignoreCase);
    int ArmTimerTrigger(int handle, int64_t ticks, bool activate);
    int ArmStatusTrigger(int handle, uint32_t value, bool activate);
    int DropTrigger(int handle);
    // Names the port component's users know.
    int AddTimerTrigger() { return NewTimerTrigger(); }
    int SetTimerTrigger(int h, int64_t ticks, bool activate) { return ArmTimerTrigger(h, ticks, activate); }
    int AddStatusTrigger(int kind) { return NewStatusTrigger(kind); }
    int SetStatusTrigger(int h, uint32_t v, bool activate) { return ArmStatusTrigger(h, v, activate); }
    int AddDataTrigger(const std::string &p, bool ic) { return NewDataTrigger(p, ic); }
    int RemoveTrigger(int h) { return DropTrigger(h); }
    // Copy and restore of the trigger tables and avail level (port close/reopen).
    struct SavedTriggers {
        TriggerTables tables;
        uint32_t availLevel = 0;
    };
    SavedTriggers SaveTriggers();
    void RestoreTriggers(const SavedTriggers &saved);

    // --- Handlers ----------------------------------------------------------
    void AttachWindow(const std::shared_ptr<TApdWindowHandler> &window);
    void DetachWindow(const TApdWindowHandler *window);
    int AttachHandler(TApdEventHandler handler); // returns an id for DetachHandler
    void DetachHandler(int id);
    int RegisterEventTriggerHandler(TApdEventHandler h) { return AttachHandler(std::move(h)); }
    void DeregisterEventTriggerHandler(int id) { DetachHandler(id); }
    // Whether window handlers get messages even when only one is attached
    // (the port sets this when the application assigned a trigger event).
    void SetWindowEventsWanted(bool on) { windowEventsWanted_ = on; }

    int SetSlot(int slot, void *data); // 0 or -1002
    void *GetSlot(int slot);           // nullptr for a bad slot
    bool SuspendDispatch(bool on);     // returns the previous setting

    // --- Trace and log -----------------------------------------------------
    void StartTracing(uint32_t entries);  // allocates or clears
    void StopTracing();                   // frees the buffer
    void PauseTracing(bool paused);
    void ClearTracing();
    bool TracingOn() const;
    // Writes the trace to file (appending when asked), then frees the buffer.
    // 0 or the negated file error; -3008 when no trace is kept.
    int DumpTrace(const std::string &file, bool append, bool hex, bool allHex);
    void StartLogging(uint32_t bytes);
    void StopLogging();
    void PauseLogging(bool paused);
    void ClearLogging();
    bool LoggingOn() const;
    int DumpLog(const std::string &file, bool append, bool hex, bool allHex);
    void AddLogEntry(uint8_t kind, uint8_t subKind, uint32_t data, const void *bytes = nullptr,
                     size_t len = 0);

    // --- Identity and state ------------------------------------------------
    int Index() const { return index_; }
    int ComNumber() const { return comNumber_; }
    const std::string &DeviceName() const { return device_; }
    bool Closing() const { return closing_; }
    bool HandlersRunning() const { return handlersRunning_; }
    bool ThreadsAlive() const { return threadCount_.load() > 0; }
    // The dispatcher with the given index, or nullptr. Call on the UI thread
    // (dispatchers are created and freed there).
    static TApdBaseDispatcher *FindDispatcher(int index);
    // Marks the dispatcher as closing without stopping it (deferred close).
    void MarkClosing();

protected:
    // Device primitives supplied by the platform implementation.
    virtual int OpenDevice(const std::string &device) = 0;   // 0 or negative code
    virtual void CloseDevice() = 0;
    virtual int ApplyLine(int baud, int parity, int stopBits, int dataBits, uint8_t hw, int sw,
                          uint8_t xon, uint8_t xoff) = 0;    // 0 or negated errno
    virtual int ApplyModemLine(bool dtrLine, bool on) = 0;   // 0 or negated errno
    virtual int ReadModemLines(uint8_t &highNibble) = 0;     // 0 or negated errno
    virtual long ReadDevice(uint8_t *dst, size_t len) = 0;   // bytes, or -1 on failure
    virtual size_t DeviceInputWaiting() = 0;
    // Writes some bytes; waits until the device takes them or CancelWrite.
    // Returns bytes written, 0 when cancelled, -1 on failure.
    virtual long WriteDevice(const uint8_t *src, size_t len) = 0;
    virtual void CancelWrite() = 0;
    virtual void PurgeDevice(bool input, bool output) = 0;
    // Com thread: blocks until a device event (bits ev*) or WakeEventWait.
    virtual uint32_t WaitDeviceEvent() = 0;
    virtual void WakeEventWait() = 0;

private:
    friend class TApdDispatcherThread;
    friend class TComThread;
    friend class TDispThread;
    friend class TOutThread;

    struct WindowEntry {
        std::weak_ptr<TApdWindowHandler> window;
        const TApdWindowHandler *key;
        bool deleted;
    };
    struct HandlerEntry {
        int id;
        TApdEventHandler fn;
        bool deleted;
    };

    // Dispatch thread work.
    void ReadInput();
    void ProcessEvent(uint32_t bits);
    void CheckStatusTriggers();
    void CheckTimerTriggers();
    void CheckDataAndAvail();
    bool DispatchTrigger(uint32_t msg, uint32_t wParam, uint32_t lowData);
    void UpdateModemStatus(bool ring);
    void DeviceGone();
    StatusSnapshot Snapshot(); // main lock held
    // Output thread work.
    void WriteOutput();
    void ThreadEnded();
    void RemoveDeletedHandlers(); // main lock held

    std::string device_;
    int comNumber_ = 0;
    int index_ = -1;
    uint32_t inSize_ = 4096;
    uint32_t outSize_ = 4096;

    std::recursive_mutex mainLock_;
    std::mutex outLock_;
    std::mutex inLock_;

    ByteRing inRing_;
    ByteRing outRing_;
    size_t outInFlight_ = 0;   // bytes handed to the device, counted until done
    uint64_t writes_ = 0;      // completed writes (output-sent triggers)
    uint64_t flushGeneration_ = 0; // a write begun before a flush is dropped
    std::condition_variable writeDone_;
    // Output levels at which a finished write should wake the dispatch
    // thread (from the armed output triggers; recomputed when they change).
    std::atomic<uint32_t> wakeOnFree_{UINT32_MAX};
    std::atomic<int64_t> wakeOnUsed_{-1};
    std::atomic<bool> wakeOnSent_{false};
    void UpdateOutputWakeLevels(); // main lock held

    // Shared-read mode (input lock).
    bool sharedRead_ = false;
    size_t sharedConsumed_ = 0;
    size_t sharedMax_ = 0;
    bool newBytes_ = false;
    std::condition_variable inputArrived_;  // with inLock_
    std::vector<std::pair<int, int>> pendingMatches_; // data matches not yet dispatched

    TriggerTables triggers_;
    uint32_t availLevel_ = 0;
    std::vector<WindowEntry> windows_;
    std::vector<HandlerEntry> handlers_;
    int nextHandlerId_ = 1;
    std::atomic<bool> windowEventsWanted_{false};
    void *slots_[3] = {nullptr, nullptr, nullptr};

    int baud_ = 115200;
    int parity_ = pNone, dataBits_ = 8, stopBits_ = 1;
    uint8_t hwOptions_ = 0;
    int swOptions_ = swfNone;
    uint8_t xonChar_ = 17, xoffChar_ = 19;
    uint32_t bufferFull_ = 0, bufferResume_ = 0;
    bool lineApplied_ = false;
    bool dtr_ = true, rts_ = true;
    int64_t openedAtMs_ = 0;
    uint8_t modemStatus_ = 0;
    uint8_t lineErrors_ = 0;
    bool lineBreak_ = false;
    std::atomic<bool> ringFlag_{false};

    std::atomic<bool> closing_{false};
    std::atomic<bool> handlersRunning_{false};
    std::atomic<bool> suspended_{false};
    std::atomic<bool> deviceLost_{false};
    std::atomic<bool> started_{false};
    std::atomic<uint32_t> pendingEvents_{0};
    std::atomic<int> threadCount_{0};

    std::unique_ptr<TApdEvent> comEvent_, readyEvent_, generalEvent_, outputQueued_, flushOutput_;
    std::unique_ptr<TComThread> comThread_;
    std::unique_ptr<TDispThread> dispThread_;
    std::unique_ptr<TOutThread> outThread_;

    DispatchTrace trace_;
    DispatchLog log_;
};

} // namespace qln
