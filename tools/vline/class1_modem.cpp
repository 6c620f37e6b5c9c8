#include "vline/class1_modem.h"

#include "vline/fast_carrier.h"
#include "vline/vline_log.h"

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

#include <algorithm>
#include <cstring>

namespace qln::vline {

namespace {

constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;
// Host bytes held while the modem cannot take them; beyond this the pty is
// not read any more, which stops the host.
constexpr size_t kPendingMax = 2048;
// A real modem's transmit buffer: XOFF above the high mark, XON below the
// low one (bytes queued in the pty, here and in the modem together).
constexpr size_t kFlowHigh = 3072;
constexpr size_t kFlowLow = 1024;

int atTx(at_state_t *, void *user, const uint8_t *buf, size_t len)
{
    static_cast<Class1Modem *>(user)->atOutput(buf, len);
    return static_cast<int>(len);
}

int control(t31_state_t *, void *user, int op, const char *num)
{
    return static_cast<Class1Modem *>(user)->modemControl(op, num);
}

std::string dialDigits(const char *num)
{
    std::string digits;
    for (const char *p = num ? num : ""; *p; ++p)
        if ((*p >= '0' && *p <= '9') || *p == '*' || *p == '#')
            digits += *p;
    return digits;
}

} // namespace

Class1Modem::Class1Modem(int index, ModemOwner &owner, bool trace) : EmulatedModem(index, owner)
{
    t31_ = t31_init(nullptr, atTx, this, control, this, nullptr, nullptr);
    if (trace) {
        std::string tag = "modem" + std::to_string(index);
        VlineLog::attachSpandsp(t31_get_logging_state(t31_), tag.c_str());
        VlineLog::attachSpandsp(&t31_->at_state.logging, tag.c_str());
    }
}

Class1Modem::~Class1Modem()
{
    if (t31_)
        t31_free(t31_);
}

void Class1Modem::atOutput(const uint8_t *buf, size_t len)
{
    port_.write(buf, len);
}

int Class1Modem::modemControl(int op, const char *num)
{
    switch (op) {
    case AT_MODEM_CONTROL_CALL:
        VlineLog::write("modem%d: dial \"%s\"", index_, num ? num : "");
        owner_.modemDialled(*this, dialDigits(num));
        break;
    case AT_MODEM_CONTROL_ANSWER:
        VlineLog::write("modem%d: answer", index_);
        owner_.modemAnswered(*this);
        break;
    case AT_MODEM_CONTROL_HANGUP:
        VlineLog::write("modem%d: hang up", index_);
        owner_.modemHungUp(*this);
        break;
    case AT_MODEM_CONTROL_CTS:
        // The modem's own flow-control signal covers only its buffer; the
        // host is throttled in updateFlow(), which also counts the bytes
        // still queued in the pty.
        break;
    default:
        break;
    }
    return 0;
}

bool Class1Modem::wantsInput() const
{
    return pending_.size() < kPendingMax;
}

size_t Class1Modem::feedLimit() const
{
    const int mode = t31_->at_state.at_rx_mode;
    size_t limit = pending_.size();
    if (mode == AT_MODE_STUFFED || mode == AT_MODE_HDLC) {
        if (mode == AT_MODE_STUFFED) {
            // The modem compacts its buffer before taking new bytes; keep
            // one spare byte, since a full buffer loses the whole write.
            int used = t31_->tx.in_bytes - t31_->tx.out_bytes;
            int room = T31_TX_BUF_LEN - 2 - used;
            limit = std::min(limit, static_cast<size_t>(std::max(room, 0)));
        } else {
            int room = T31_MAX_HDLC_LEN - 2 - t31_->hdlc_tx.len;
            limit = std::min(limit, static_cast<size_t>(std::max(room, 0)));
        }
        // Stop right after a DLE ETX: what follows is for command mode.
        bool dle = dleOpen_;
        for (size_t i = 0; i < limit; ++i) {
            if (dle) {
                dle = false;
                if (pending_[i] == kEtx)
                    return i + 1;
            } else if (pending_[i] == kDle) {
                dle = true;
            }
        }
        return limit;
    }
    if (mode == AT_MODE_ONHOOK_COMMAND || mode == AT_MODE_OFFHOOK_COMMAND) {
        // One command line at a time: a command may switch the mode.
        auto cr = std::find(pending_.begin(), pending_.end(), '\r');
        if (cr != pending_.end())
            return static_cast<size_t>(cr - pending_.begin()) + 1;
    }
    return limit;
}

void Class1Modem::feed(size_t n)
{
    const int mode = t31_->at_state.at_rx_mode;
    if (mode == AT_MODE_STUFFED || mode == AT_MODE_HDLC) {
        for (size_t i = 0; i < n; ++i)
            dleOpen_ = dleOpen_ ? false : pending_[i] == kDle;
    }
    t31_at_rx(t31_, reinterpret_cast<const char *>(pending_.data()), static_cast<int>(n));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(n));
}

void Class1Modem::serviceInput()
{
    uint8_t buf[1024];
    while (pending_.size() < kPendingMax) {
        size_t n = port_.read(buf, std::min(sizeof buf, kPendingMax - pending_.size()));
        if (n == 0)
            break;
        pending_.insert(pending_.end(), buf, buf + n);
    }
    // Feed as long as the modem takes something.
    for (int guard = 0; guard < 64 && !pending_.empty(); ++guard) {
        int mode = t31_->at_state.at_rx_mode;
        if (mode != lastMode_) {
            dleOpen_ = false;
            lastMode_ = mode;
        }
        size_t n = feedLimit();
        if (n == 0)
            break;
        feed(n);
    }
    updateFlow();
    port_.flush();
}

void Class1Modem::updateFlow()
{
    const bool stuffed = t31_->at_state.at_rx_mode == AT_MODE_STUFFED;
    size_t queued = pending_.size() + port_.queuedInput();
    if (stuffed)
        queued += static_cast<size_t>(std::max(0, t31_->tx.in_bytes - t31_->tx.out_bytes));
    if (!xoffSent_ && stuffed && queued > kFlowHigh) {
        if (port_.hostUsesSoftwareFlow()) {
            port_.writeUrgent(kXoff);
            xoffSent_ = true;
        }
    } else if (xoffSent_ && (!stuffed || queued < kFlowLow)) {
        port_.writeUrgent(kXon);
        xoffSent_ = false;
    }
}

void Class1Modem::idleBlock(int len)
{
    int16_t amp[kBlockSamples * 4];
    len = std::min<int>(len, kBlockSamples * 4);
    t31_tx(t31_, amp, len);
    std::memset(amp, 0, sizeof(int16_t) * static_cast<size_t>(len));
    t31_rx(t31_, amp, len);
}

void Class1Modem::lineTx(int16_t *amp, int len)
{
    int n = t31_tx(t31_, amp, len);
    if (n < len)
        std::memset(amp + n, 0, sizeof(int16_t) * static_cast<size_t>(len - n));
}

FastCarrier Class1Modem::fastCarrier() const
{
    return fastCarrierOf(t31_->audio.modems);
}

void Class1Modem::lineRx(int16_t *amp, int len)
{
    t31_rx(t31_, amp, len);
}

void Class1Modem::lineEvent(LineEvent ev)
{
    switch (ev) {
    case LineEvent::Ring:
        t31_call_event(t31_, AT_CALL_EVENT_ALERTING);
        break;
    case LineEvent::Connected:
        t31_call_event(t31_, AT_CALL_EVENT_CONNECTED);
        break;
    case LineEvent::Answered:
        t31_call_event(t31_, AT_CALL_EVENT_ANSWERED);
        break;
    case LineEvent::Busy:
        t31_call_event(t31_, AT_CALL_EVENT_BUSY);
        break;
    case LineEvent::NoAnswer:
        t31_call_event(t31_, AT_CALL_EVENT_NO_ANSWER);
        break;
    case LineEvent::Voice:
        // A fax modem that hears speech instead of a fax answer reports
        // VOICE and goes back on hook.
        at_put_response(&t31_->at_state, "VOICE");
        at_reset_call_info(&t31_->at_state);
        t31_->at_state.at_rx_mode = AT_MODE_ONHOOK_COMMAND;
        break;
    case LineEvent::Hangup:
        t31_call_event(t31_, AT_CALL_EVENT_HANGUP);
        break;
    }
    port_.flush();
}

void Class1Modem::dtrDropped()
{
    // &D2 behaviour: dropping DTR hangs up and returns to command mode.
    owner_.modemHungUp(*this);
    t31_call_event(t31_, AT_CALL_EVENT_HANGUP);
    pending_.clear();
}

} // namespace qln::vline
