// TApdComPort: the serial port component. Holds the port settings (number,
// line settings, buffer sizes, flow control, tracing and logging), opens and
// closes the port, sends text and waits for text, and raises trigger events.
// While open it owns a dispatcher, to which its operations are forwarded and
// whose error codes it turns into exceptions (portexceptions.h).
//
// Threading: create, configure, open and close the port on the UI thread.
// The trigger events are raised on the UI thread (through the port's own
// hidden window). Dispatcher() may be used from the dispatch thread by the
// fax engine.
#pragma once

#include "comms/dispatcher.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qln {

enum TDeviceLayer : int { dlWin16, dlFossil, dlWin32, dlWinsock };
enum TTraceLogState : int { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode : int { tmNone, tmAuto, tmOn, tmOff };

class TApdComWindow;

class TApdComPort {
public:
    TApdComPort();
    ~TApdComPort();
    TApdComPort(const TApdComPort &) = delete;
    TApdComPort &operator=(const TApdComPort &) = delete;

    // --- Settings (defaults as published) ----------------------------------
    TDeviceLayer DeviceLayer() const { return DeviceLayer_; }
    void SetDeviceLayer(TDeviceLayer v); // only dlWin32 is accepted
    int ComNumber() const { return ComNumber_; }
    void SetComNumber(int v);            // reopens an open port on the new number
    // Device path opened instead of the mapped COM number when not empty.
    const std::string &DevicePath() const { return DevicePath_; }
    void SetDevicePath(const std::string &path);
    int Baud() const { return Baud_; }
    void SetBaud(int v);
    bool PromptForPort() const { return PromptForPort_; }
    void SetPromptForPort(bool v) { PromptForPort_ = v; }
    TParity Parity() const { return Parity_; }
    void SetParity(TParity v);
    int DataBits() const { return DataBits_; }
    void SetDataBits(int v);
    int StopBits() const { return StopBits_; }
    void SetStopBits(int v);
    int InSize() const { return InSize_; }
    void SetInSize(int v);
    int OutSize() const { return OutSize_; }
    void SetOutSize(int v); // takes effect at the next open
    bool AutoOpen() const { return AutoOpen_; }
    void SetAutoOpen(bool v) { AutoOpen_ = v; }
    bool Open() const { return Open_; }
    void SetOpen(bool v);
    bool DTR() const { return DTR_; }
    void SetDTR(bool v);
    bool RTS() const { return RTS_; }
    void SetRTS(bool v);
    uint8_t HWFlowOptions() const { return HWFlowOptions_; }
    void SetHWFlowOptions(uint8_t v);
    TSWFlowOptions SWFlowOptions() const { return SWFlowOptions_; }
    void SetSWFlowOptions(TSWFlowOptions v);
    uint8_t XOnChar() const { return XOnChar_; }
    void SetXOnChar(uint8_t v);
    uint8_t XOffChar() const { return XOffChar_; }
    void SetXOffChar(uint8_t v);
    int BufferFull() const { return BufferFull_; }
    void SetBufferFull(int v);
    int BufferResume() const { return BufferResume_; }
    void SetBufferResume(int v);
    TTraceLogState Tracing() const { return Tracing_; }
    void SetTracing(TTraceLogState v);
    TTraceLogState Logging() const { return Logging_; }
    void SetLogging(TTraceLogState v);
    uint32_t TraceSize() const { return TraceSize_; }
    void SetTraceSize(uint32_t v);
    uint32_t LogSize() const { return LogSize_; }
    void SetLogSize(uint32_t v);
    std::string TraceName = "RIZI.TRC";
    std::string LogName = "RIZI.LOG";
    bool TraceHex = true, LogHex = true;
    bool TraceAllHex = false, LogAllHex = false;
    bool UseMSRShadow = true;           // accepted and ignored
    bool UseEventWord = true;           // stored
    int CommNotificationLevel = 10;     // stored
    TTapiMode TapiMode = tmAuto;
    bool RS485Mode = false;             // never enabled
    // Device handed over by the telephony device (TapiMode tmOn).
    std::string TapiDevice;

    // --- Operations --------------------------------------------------------
    // The open dispatcher; opens the port first when AutoOpen is set.
    // Raises 2007 when no dispatcher results.
    TApdBaseDispatcher &Dispatcher();
    TApdBaseDispatcher *DispatcherIfOpen() { return Dispatcher_.get(); }
    void SendText(const std::string &text);
    void PutBlock(const void *data, size_t len);
    // Waits until text has arrived (time-out in ticks of 55 ms). Returns
    // false on time-out. Trigger dispatch is suspended while it waits.
    bool AwaitText(const std::string &text, int timeoutTicks, bool ignoreCase, bool yield);
    void DiscardInput();
    void DiscardOutput();
    bool InputWaiting();
    uint8_t ReadByte(); // raises 3007 when the ring is empty
    int InBuffUsed();
    int OutBuffFree();
    int OutBuffUsed();
    uint8_t ModemStatus();
    bool DCD();
    // Trigger operations raising on failure.
    int AddTimerTrigger();
    void SetTimerTrigger(int handle, int ticks, bool activate);
    int AddStatusTrigger(int kind);
    void SetStatusTrigger(int handle, uint32_t value, bool activate);
    void RemoveTrigger(int handle);

    // Port users, told of opening (msgPortOpen) and closing (msgPortClosing).
    int RegisterUser(std::function<void(uint32_t msg)> callback);
    void DeregisterUser(int id);

    // --- Events (UI thread) ------------------------------------------------
    std::function<void(TApdComPort &, uint16_t msg, uint16_t handle, uint16_t data)> OnTrigger;
    std::function<void(TApdComPort &, uint16_t count)> OnTriggerAvail;
    std::function<void(TApdComPort &, uint16_t handle)> OnTriggerData;
    std::function<void(TApdComPort &, uint16_t handle)> OnTriggerTimer;
    std::function<void(TApdComPort &, uint16_t handle)> OnTriggerStatus;
    std::function<void(TApdComPort &)> OnTriggerModemStatus;
    std::function<void(TApdComPort &, uint16_t error, bool lineBreak)> OnTriggerLineError;
    std::function<void(TApdComPort &)> OnTriggerOutbuffFree;
    std::function<void(TApdComPort &)> OnTriggerOutbuffUsed;
    std::function<void(TApdComPort &)> OnTriggerOutSent;
    std::function<void(TApdComPort &, char)> OnWaitChar;

    // --- Process-wide hooks ------------------------------------------------
    // Device of a COM number; default "/dev/ttyS<n-1>". The application
    // installs the [Ports] mapping of its settings file here.
    static void SetPortMapper(std::function<std::string(int)> mapper);
    static std::string DeviceForComNumber(int comNumber);
    // Port chooser shown when opening with ComNumber 0 and PromptForPort:
    // returns the chosen number, 0 for Cancel. Without one, Cancel is assumed.
    static void SetPortChooser(std::function<int(TApdComPort &)> chooser);
    // COM numbers 1..50 whose device can be opened or is in use.
    static std::vector<int> AvailablePorts();
    // Set by the application when it is terminating (ends AwaitText).
    static void SetTerminating(bool on);

    // Call after assigning trigger events while the port is open, so that the
    // dispatcher starts (or stops) sending trigger messages to the port.
    void UpdateTriggerEvents();

    // Used by the port's window.
    void HandleTriggerMessage(uint32_t msg, uint32_t wParam, int32_t lParam);
    void FinishDeferredClose();

private:
    void DoOpen();
    void DoClose();
    void ShutDownDispatcher();
    void ApplyTracing(TTraceLogState v, bool logging);
    void ApplyLine();
    void ApplyFlow(bool settleLevels = true);
    void NotifyUsers(uint32_t msg);
    bool AnyTriggerEvent() const;
    static int PercentOf(int base, int percent); // rounded to the nearest integer

    TDeviceLayer DeviceLayer_ = dlWin32;
    int ComNumber_ = 0;
    std::string DevicePath_;
    int Baud_ = 19200;
    bool PromptForPort_ = true;
    TParity Parity_ = pNone;
    int DataBits_ = 8;
    int StopBits_ = 1;
    int InSize_ = 4096;
    int OutSize_ = 4096;
    bool AutoOpen_ = true;
    bool Open_ = false;
    bool DTR_ = true;
    bool RTS_ = true;
    uint8_t HWFlowOptions_ = 0;
    TSWFlowOptions SWFlowOptions_ = swfNone;
    uint8_t XOnChar_ = 17;
    uint8_t XOffChar_ = 19;
    int BufferFull_ = 0;
    int BufferResume_ = 0;
    TTraceLogState Tracing_ = tlOff;
    TTraceLogState Logging_ = tlOff;
    uint32_t TraceSize_ = 10000;
    uint32_t LogSize_ = 10000;

    enum class PortState { Closed, Closing, Open };
    PortState State_ = PortState::Closed;
    bool OpenRequested_ = false; // open asked for during a deferred close
    bool ShuttingDown_ = false;  // inside ShutDownDispatcher
    std::unique_ptr<TApdBaseDispatcher> Dispatcher_;
    std::shared_ptr<TApdComWindow> Window_;
    std::unique_ptr<TApdBaseDispatcher::SavedTriggers> SavedTriggers_;
    struct User {
        int id;
        std::function<void(uint32_t)> callback;
    };
    std::vector<User> Users_;
    int NextUserId_ = 1;
};

} // namespace qln
