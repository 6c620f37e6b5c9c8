#include "vline/remote_fax.h"

#include "vline/fast_carrier.h"
#include "vline/vline_log.h"

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

#include <cstring>

namespace qln::vline {

namespace {
void phaseEHandler(t30_state_t *, void *user, int code)
{
    static_cast<RemoteFax *>(user)->phaseE(code);
}

void frameHandler(t30_state_t *, void *user, int incoming, const uint8_t *msg, int len)
{
    static_cast<RemoteFax *>(user)->frame(incoming != 0, msg, len);
}
} // namespace

RemoteFax::RemoteFax(bool calling, const std::string &file, const RemoteFaxOptions &opt)
    : calling_(calling), name_(opt.name), tag_(opt.tag)
{
    hangUpAfterMcf_ = calling && opt.hangUpAfterMcf;
    fax_ = fax_init(nullptr, calling ? 1 : 0);
    fax_set_transmit_on_idle(fax_, 1);
    t30_state_t *t30 = fax_get_t30_state(fax_);
    t30_set_tx_ident(t30, opt.ident.c_str());
    t30_set_supported_modems(t30, T30_SUPPORT_V27TER | T30_SUPPORT_V29 | T30_SUPPORT_V17);
    t30_set_ecm_capability(t30, opt.ecm ? 1 : 0);
    if (opt.ecm)
        t30_set_supported_compressions(t30, T30_SUPPORT_T4_1D_COMPRESSION | T30_SUPPORT_T4_2D_COMPRESSION
                                                | T30_SUPPORT_T6_COMPRESSION);
    else if (opt.only1d)
        t30_set_supported_compressions(t30, T30_SUPPORT_T4_1D_COMPRESSION);
    if (calling)
        t30_set_tx_file(t30, file.c_str(), -1, -1);
    else
        t30_set_rx_file(t30, file.c_str(), -1);
    t30_set_phase_e_handler(t30, phaseEHandler, this);
    t30_set_real_time_frame_handler(t30, frameHandler, this);
    if (opt.trace) {
        VlineLog::attachSpandsp(fax_get_logging_state(fax_), tag_.c_str());
        VlineLog::attachSpandsp(t30_get_logging_state(t30), tag_.c_str());
    }
}

RemoteFax::~RemoteFax()
{
    if (fax_) {
        if (!finished_)
            terminate();
        fax_free(fax_);
    }
}

void RemoteFax::lineTx(int16_t *amp, int len)
{
    if (hangUpNow_ && !finished_) {
        VlineLog::write("%s: hangs up without DCN", tag_.c_str());
        terminate();
    }
    int n = finished_ ? 0 : fax_tx(fax_, amp, len);
    if (n < len)
        std::memset(amp + n, 0, sizeof(int16_t) * static_cast<size_t>(len - n));
}

FastCarrier RemoteFax::fastCarrier() const
{
    return finished_ ? FastCarrier{} : fastCarrierOf(fax_->modems);
}

void RemoteFax::lineRx(int16_t *amp, int len)
{
    if (!finished_)
        fax_rx(fax_, amp, len);
}

void RemoteFax::terminate()
{
    if (finished_)
        return;
    t30_terminate(fax_get_t30_state(fax_));
    if (!finished_)
        phaseE(T30_ERR_CALLDROPPED);
}

void RemoteFax::frame(bool incoming, const uint8_t *msg, int len)
{
    // The answers to the training check go into the log, so a failed
    // training (and the fall-back that follows) shows without a trace.
    if (len < 3)
        return;
    const int fcf = msg[2] & 0xFE;  // spandsp keeps the codes bit-reversed; drop the X bit
    if (incoming) {
        // The MCF to our EOP: hang up at the next audio block (not inside
        // spandsp's callback), before the DCN.
        if (hangUpAfterMcf_ && sentEop_ && fcf == T30_MCF)
            hangUpNow_ = true;
        return;
    }
    if (fcf == T30_EOP)
        sentEop_ = true;
    if (fcf == T30_FTT)
        VlineLog::write("%s: training check failed, FTT sent", tag_.c_str());
    else if (fcf == T30_CFR)
        VlineLog::write("%s: training check passed, CFR sent", tag_.c_str());
}

void RemoteFax::phaseE(int code)
{
    if (finished_)
        return;
    finished_ = true;
    t30_state_t *t30 = fax_get_t30_state(fax_);
    t30_stats_t st{};
    t30_get_transfer_statistics(t30, &st);
    outcome_.code = code;
    outcome_.text = t30_completion_code_to_str(code);
    outcome_.pages = calling_ ? st.pages_tx : st.pages_rx;
    outcome_.bitRate = st.bit_rate;
    outcome_.ecm = st.error_correcting_mode != 0;
    // Identifications travel padded to 20 characters; keep the text only.
    std::string id = t30_get_rx_ident(t30) ? t30_get_rx_ident(t30) : "";
    outcome_.rawRemoteId = id;
    size_t first = id.find_first_not_of(' ');
    outcome_.remoteId = first == std::string::npos ? std::string() : id.substr(first, id.find_last_not_of(' ') - first + 1);
    VlineLog::write("%s: %s finished: %d \"%s\", pages %d, remote id \"%s\", %d bit/s", tag_.c_str(),
                    calling_ ? "send" : "receive", code, outcome_.text.c_str(), outcome_.pages,
                    outcome_.remoteId.c_str(), outcome_.bitRate);
}

} // namespace qln::vline
