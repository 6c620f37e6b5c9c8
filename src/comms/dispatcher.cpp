// TApdBaseDispatcher: the process-wide list, opening, shutdown, buffers and
// line settings. Handlers, slots and trace/log controls are in
// dispatcherhandlers.cpp, the trigger machine in dispatchertriggers.cpp, the
// threads in comthreads.cpp.
#include "comms/dispatcher.h"

#include "comms/comthreads.h"
#include "comms/uibridge.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace qln {

namespace {

std::mutex g_listLock; // the process-wide lock over the list of dispatchers
std::vector<TApdBaseDispatcher *> g_dispatchers;

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int64_t DispatcherTick() { return nowMs() / 55; }

TApdBaseDispatcher::TApdBaseDispatcher()
    : comEvent_(std::make_unique<TApdEvent>()), readyEvent_(std::make_unique<TApdEvent>()),
      generalEvent_(std::make_unique<TApdEvent>()), outputQueued_(std::make_unique<TApdEvent>()),
      flushOutput_(std::make_unique<TApdEvent>())
{
    std::lock_guard lock(g_listLock);
    auto it = std::find(g_dispatchers.begin(), g_dispatchers.end(), nullptr);
    if (it == g_dispatchers.end()) {
        g_dispatchers.push_back(this);
        index_ = int(g_dispatchers.size() - 1);
    } else {
        *it = this;
        index_ = int(it - g_dispatchers.begin());
    }
}

TApdBaseDispatcher::~TApdBaseDispatcher()
{
    std::lock_guard lock(g_listLock);
    if (index_ >= 0 && size_t(index_) < g_dispatchers.size())
        g_dispatchers[size_t(index_)] = nullptr;
}

TApdBaseDispatcher *TApdBaseDispatcher::FindDispatcher(int index)
{
    std::lock_guard lock(g_listLock);
    if (index < 0 || size_t(index) >= g_dispatchers.size())
        return nullptr;
    return g_dispatchers[size_t(index)];
}

int TApdBaseDispatcher::OpenCom(const std::string &device, int comNumber, uint32_t inSize,
                                uint32_t outSize, bool dtr, bool rts, int baud, int parity,
                                int dataBits, int stopBits)
{
    device_ = device;
    comNumber_ = comNumber;
    inSize_ = inSize;
    outSize_ = std::max<uint32_t>(outSize, 1);
    int rc = OpenDevice(device);
    if (rc != 0)
        return rc;
    {
        std::lock_guard lock(mainLock_);
        std::lock_guard out(outLock_);
        std::lock_guard in(inLock_);
        inRing_.resize(kDispatchBufferSize);
        outRing_.resize(outSize_);
        outInFlight_ = 0;
        triggers_.clear();
        availLevel_ = 0;
        baud_ = 115200;
        dataBits_ = 8;
        stopBits_ = 1;
        parity_ = pNone;
        uint8_t high = 0;
        if (ReadModemLines(high) == 0)
            modemStatus_ = uint8_t(high & 0xF0);
    }
    dtr_ = dtr;
    rts_ = rts;
    ApplyModemLine(true, dtr);
    ApplyModemLine(false, rts);
    rc = SetLine(baud, parity, stopBits, dataBits);
    if (rc != 0) {
        CloseDevice();
        return rc;
    }
    openedAtMs_ = nowMs();
    StartDispatcher();
    return 0;
}

void TApdBaseDispatcher::StartDispatcher()
{
    if (started_.exchange(true))
        throw std::logic_error("Dispatcher already started");
    closing_ = false;
    comThread_ = std::make_unique<TComThread>(*this);
    comThread_->Start();
    generalEvent_->Wait(3000);
    dispThread_ = std::make_unique<TDispThread>(*this);
    dispThread_->Start();
    generalEvent_->Wait(3000);
    outThread_ = std::make_unique<TOutThread>(*this);
    outThread_->Start();
    generalEvent_->Wait(3000);
}

void TApdBaseDispatcher::MarkClosing() { closing_ = true; }

void TApdBaseDispatcher::ThreadEnded() { --threadCount_; }

void TApdBaseDispatcher::DonePort()
{
    if (!started_)
        return;
    closing_ = true;
    CancelWrite();
    outputQueued_->Set();
    flushOutput_->Set();
    WakeEventWait();
    readyEvent_->Set();
    comEvent_->Set();
    // A dispatch thread may be waiting for a window handler on the UI thread:
    // keep the UI messages running until every thread has ended.
    while (threadCount_.load() > 0) {
        UiBridge::ProcessMessages();
        CancelWrite();
        readyEvent_->Set();
        WakeEventWait();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (auto *t : {static_cast<TApdDispatcherThread *>(comThread_.get()),
                    static_cast<TApdDispatcherThread *>(dispThread_.get()),
                    static_cast<TApdDispatcherThread *>(outThread_.get())})
        if (t)
            t->Join();
    comThread_.reset();
    dispThread_.reset();
    outThread_.reset();
    PurgeDevice(true, true);
    CloseDevice();
    started_ = false;
}

// ---- Buffers --------------------------------------------------------------

int TApdBaseDispatcher::WriteBlock(const void *data, size_t len)
{
    if (deviceLost_)
        return -ecPutBlockFail;
    std::lock_guard lock(mainLock_);
    {
        std::lock_guard out(outLock_);
        if (outRing_.freeSpace() < len)
            return -ecOutputBufferTooSmall;
        outRing_.put(static_cast<const uint8_t *>(data), len);
    }
    trace_.add('T', static_cast<const uint8_t *>(data), len);
    if (log_.on())
        AddLogEntry(dtDispatch, dstWriteCom, uint32_t(len), data, len);
    outputQueued_->Set();
    return 0;
}

int TApdBaseDispatcher::ReadBlock(void *dst, size_t len)
{
    std::lock_guard lock(mainLock_);
    size_t got;
    {
        std::lock_guard in(inLock_);
        size_t offset = sharedRead_ ? sharedConsumed_ : 0;
        size_t waiting = inRing_.count() - std::min(offset, inRing_.count());
        if (waiting < len)
            return deviceLost_ && waiting == 0 ? -ecGetBlockFail : -ecBufferIsEmpty;
        got = inRing_.copyOut(offset, static_cast<uint8_t *>(dst), len);
        if (sharedRead_) {
            sharedConsumed_ += got;
            sharedMax_ = std::max(sharedMax_, sharedConsumed_);
        } else {
            inRing_.advance(got);
        }
    }
    trace_.add('R', static_cast<uint8_t *>(dst), got);
    return int(got);
}

int TApdBaseDispatcher::ReadByte()
{
    uint8_t b = 0;
    int rc = ReadBlock(&b, 1);
    return rc < 0 ? rc : b;
}

int TApdBaseDispatcher::PeekByte(size_t n)
{
    std::lock_guard in(inLock_);
    size_t offset = sharedRead_ ? sharedConsumed_ : 0;
    if (n == 0 || inRing_.count() < offset + n)
        return -ecBufferIsEmpty;
    return inRing_.at(offset + n - 1);
}

int TApdBaseDispatcher::InputCount()
{
    std::lock_guard in(inLock_);
    size_t offset = sharedRead_ ? sharedConsumed_ : 0;
    return int(inRing_.count() - std::min(offset, inRing_.count()));
}

int TApdBaseDispatcher::OutputCount()
{
    std::lock_guard out(outLock_);
    return int(outRing_.count());
}

int TApdBaseDispatcher::OutputFree()
{
    std::lock_guard out(outLock_);
    return int(outRing_.freeSpace());
}

bool TApdBaseDispatcher::WaitForInput(int ms)
{
    if (dispThread_ && dispThread_->IsCurrent()) {
        // Nothing else fills the ring while the dispatch thread waits: a
        // handler that waits for a reply within its own step reads the
        // device itself.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            ReadInput();
            if (InputCount() > 0 || deviceLost_ || closing_)
                return true;
            if (std::chrono::steady_clock::now() >= until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    std::unique_lock in(inLock_);
    auto waiting = [this] {
        size_t offset = sharedRead_ ? sharedConsumed_ : 0;
        return inRing_.count() > offset || deviceLost_ || closing_;
    };
    return inputArrived_.wait_for(in, std::chrono::milliseconds(ms), waiting);
}

int TApdBaseDispatcher::FlushInput()
{
    std::lock_guard lock(mainLock_);
    PurgeDevice(true, false);
    {
        std::lock_guard in(inLock_);
        if (sharedRead_)
            sharedMax_ = inRing_.count(); // skipped when the handlers finish
        else
            inRing_.clear();
    }
    triggers_.resetDataMatches();
    return 0;
}

int TApdBaseDispatcher::FlushOutput()
{
    std::lock_guard lock(mainLock_);
    bool writing;
    {
        std::lock_guard out(outLock_);
        ++flushGeneration_;
        writing = outInFlight_ > 0;
    }
    if (writing && started_ && !outThread_->IsCurrent()) {
        // Abandon the write and wait until the output thread has left it.
        std::unique_lock out(outLock_);
        for (int i = 0; i < 600 && outInFlight_ > 0; ++i) {
            out.unlock();
            CancelWrite();
            out.lock();
            writeDone_.wait_for(out, std::chrono::milliseconds(5), [this] { return outInFlight_ == 0; });
        }
    }
    {
        std::lock_guard out(outLock_);
        outRing_.clear();
    }
    PurgeDevice(false, true);
    return 0;
}

void TApdBaseDispatcher::WriteOutput()
{
    while (!closing_) {
        const uint8_t *span;
        size_t len;
        uint64_t gen;
        {
            std::lock_guard out(outLock_);
            span = outRing_.readSpan(len);
            if (!span)
                return;
            outInFlight_ = len;
            gen = flushGeneration_;
        }
        long n = WriteDevice(span, len);
        bool wake = false;
        {
            std::lock_guard out(outLock_);
            if (n > 0 && gen == flushGeneration_) {
                outRing_.advance(size_t(n));
                ++writes_;
                wake = wakeOnSent_ || outRing_.freeSpace() >= wakeOnFree_ ||
                       int64_t(outRing_.count()) <= wakeOnUsed_;
            }
            outInFlight_ = 0;
        }
        writeDone_.notify_all();
        if (n < 0) {
            DeviceGone();
            return;
        }
        if (wake) {
            // Let the dispatch thread check the output-level triggers now
            // rather than at its next 50 ms poll.
            pendingEvents_.fetch_or(evOutput);
            comEvent_->Set();
        }
    }
}

// ---- Line -----------------------------------------------------------------

int TApdBaseDispatcher::SetDTR(bool on)
{
    std::lock_guard lock(mainLock_);
    if (hwOptions_ & hwfUseDTR)
        return 1;
    if (ApplyModemLine(true, on) != 0)
        return -ecBadArgument;
    dtr_ = on;
    return 0;
}

int TApdBaseDispatcher::SetRTS(bool on)
{
    std::lock_guard lock(mainLock_);
    if (hwOptions_ & hwfUseRTS)
        return 1;
    if (ApplyModemLine(false, on) != 0)
        return -ecBadArgument;
    rts_ = on;
    return 0;
}

int TApdBaseDispatcher::SetLine(int baud, int parity, int stopBits, int dataBits)
{
    std::lock_guard lock(mainLock_);
    int newBaud = baud == kKeepBaud ? baud_ : baud;
    int newParity = parity == kKeepParity ? parity_ : parity;
    int newStop = stopBits == kKeepStopBits ? stopBits_ : (stopBits <= 1 ? 1 : 2);
    int newData = dataBits == kKeepDataBits ? dataBits_ : dataBits;
    if (newData < 5 || newData > 8)
        return -ecByteSize;
    if (newBaud <= 0)
        return -ecBaudRate;
    if (lineApplied_ && newBaud == baud_ && newParity == parity_ && newStop == stopBits_ &&
        newData == dataBits_)
        return 0;
    if (lineApplied_) {
        // Let queued output leave at the old settings first.
        for (int i = 0; i < 5000 && OutputCount() > 0 && !deviceLost_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        int bits = dataBits_ + (parity_ != pNone ? 1 : 0) + stopBits_ + 1;
        int64_t charTime100ns = 10000000LL / baud_ * bits;
        if (charTime100ns < 10000)
            charTime100ns *= 2;
        int64_t waitMs = (18 * charTime100ns + 9999) / 10000;
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
    }
    int rc = ApplyLine(newBaud, newParity, newStop, newData, hwOptions_, swOptions_, xonChar_, xoffChar_);
    if (rc != 0)
        return rc;
    baud_ = newBaud;
    parity_ = newParity;
    stopBits_ = newStop;
    dataBits_ = newData;
    lineApplied_ = true;
    if (!(hwOptions_ & hwfUseDTR))
        ApplyModemLine(true, dtr_);
    if (!(hwOptions_ & hwfUseRTS))
        ApplyModemLine(false, rts_);
    return 0;
}

int TApdBaseDispatcher::SetFlowControl(uint8_t hwOptions, int swOptions, uint8_t xonChar,
                                       uint8_t xoffChar, uint32_t bufferFull, uint32_t bufferResume)
{
    std::lock_guard lock(mainLock_);
    hwOptions_ = hwOptions;
    swOptions_ = swOptions;
    xonChar_ = xonChar;
    xoffChar_ = xoffChar;
    bufferFull_ = bufferFull;
    bufferResume_ = bufferResume;
    int rc = ApplyLine(baud_, parity_, stopBits_, dataBits_, hwOptions_, swOptions_, xonChar_, xoffChar_);
    if (!(hwOptions_ & hwfUseDTR))
        ApplyModemLine(true, dtr_);
    if (!(hwOptions_ & hwfUseRTS))
        ApplyModemLine(false, rts_);
    return rc;
}

uint8_t TApdBaseDispatcher::HWFlowOptions()
{
    std::lock_guard lock(mainLock_);
    return hwOptions_;
}

uint8_t TApdBaseDispatcher::ModemStatus()
{
    std::lock_guard lock(mainLock_);
    uint8_t s = modemStatus_;
    modemStatus_ &= 0xF0;
    return s;
}

uint8_t TApdBaseDispatcher::LineErrors(bool &lineBreak)
{
    std::lock_guard lock(mainLock_);
    uint8_t e = lineErrors_;
    lineBreak = lineBreak_;
    lineErrors_ = 0;
    lineBreak_ = false;
    return e;
}

} // namespace qln
