// Class 2 / 2.0 modem: the line side (spandsp's T.30 engine) and the page
// hand-over between the engine's TIFF files and the host's T.4 data.
#include "vline/class2_modem.h"

#include "vline/fast_carrier.h"
#include "vline/stop_flag.h"
#include "vline/vline_log.h"

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>

namespace qln::vline {

namespace {
constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kXon = 0x11;
constexpr uint8_t kXoff = 0x13;
// How long the line waits for the host to hand over a page (real time).
constexpr auto kPageCollectTimeout = std::chrono::seconds(60);

int onPhaseB(t30_state_t *, void *user, int result)
{
    return static_cast<Class2Modem *>(user)->phaseB(result);
}
int onPhaseD(t30_state_t *, void *user, int result)
{
    return static_cast<Class2Modem *>(user)->phaseD(result);
}
void onPhaseE(t30_state_t *, void *user, int result)
{
    static_cast<Class2Modem *>(user)->phaseE(result);
}

uint8_t reverseBits(uint8_t b)
{
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

int speedCode(int bitRate)
{
    switch (bitRate) {
    case 2400: return 0;
    case 4800: return 1;
    case 7200: return 2;
    case 12000: return 4;
    case 14400: return 5;
    default: return 3;
    }
}
} // namespace

Class2Modem::Class2Modem(int index, ModemOwner &owner, bool class20, std::string scratchDir, int speedUp,
                         bool trace)
    : EmulatedModem(index, owner), class20_(class20), scratch_(std::move(scratchDir)), speedUp_(speedUp),
      trace_(trace)
{
}

Class2Modem::~Class2Modem()
{
    if (fax_)
        fax_free(fax_);
}

std::string Class2Modem::sessionParams() const
{
    return std::string(fine_ ? "1" : "0") + "," + std::to_string(speedCode(bitRate_)) + ",0,2,0,0,0,0";
}

void Class2Modem::startEngine(bool calling)
{
    if (fax_)
        fax_free(fax_);
    calling_ = calling;
    fax_ = fax_init(nullptr, calling ? 1 : 0);
    fax_set_transmit_on_idle(fax_, 1);
    t30_state_t *t30 = fax_get_t30_state(fax_);
    t30_set_tx_ident(t30, lid_.c_str());
    t30_set_supported_modems(t30, T30_SUPPORT_V27TER | T30_SUPPORT_V29 | T30_SUPPORT_V17);
    t30_set_ecm_capability(t30, 0);
    t30_set_phase_b_handler(t30, onPhaseB, this);
    t30_set_phase_d_handler(t30, onPhaseD, this);
    t30_set_phase_e_handler(t30, onPhaseE, this);
    pagePath_ = scratch_ + "/.modem" + std::to_string(index_) + (calling ? "-tx.tif" : "-rx.tif");
    std::remove(pagePath_.c_str());
    if (calling)
        t30_set_tx_file(t30, pagePath_.c_str(), -1, -1);
    else
        t30_set_rx_file(t30, pagePath_.c_str(), -1);
    if (trace_) {
        std::string tag = "modem" + std::to_string(index_);
        VlineLog::attachSpandsp(fax_get_logging_state(fax_), tag.c_str());
        VlineLog::attachSpandsp(t30_get_logging_state(t30), tag.c_str());
    }
    pagesReceived_ = pagesDelivered_ = 0;
    ppms_.clear();
    txPages_.clear();
    pagesConfirmed_ = 0;
    worstStatus_ = 1;
    fdrPending_ = pageReady_ = callDone_ = hangupReported_ = pageAcknowledged_ = fkPending_ = false;
    hangupCode_ = 0;
    remoteId_.clear();
    VlineLog::write("modem%d: Class %s session %s", index_, className().c_str(), calling ? "sending" : "receiving");
}

void Class2Modem::stopEngine()
{
    if (fax_ && !callDone_)
        t30_terminate(fax_get_t30_state(fax_));
}

void Class2Modem::hangUpLine()
{
    stopEngine();
    if (calling_ || fax_)
        owner_.modemHungUp(*this);
    calling_ = false;
    fdrPending_ = pageReady_ = false;
    host_ = Host::Command;
}

void Class2Modem::lineTx(int16_t *amp, int len)
{
    int n = (fax_ && !callDone_) ? fax_tx(fax_, amp, len) : 0;
    if (n < len)
        std::memset(amp + n, 0, sizeof(int16_t) * static_cast<size_t>(len - n));
}

FastCarrier Class2Modem::fastCarrier() const
{
    return (fax_ && !callDone_) ? fastCarrierOf(fax_->modems) : FastCarrier{};
}

void Class2Modem::lineRx(int16_t *amp, int len)
{
    if (fax_ && !callDone_)
        fax_rx(fax_, amp, len);
    idleBlock(len);
}

void Class2Modem::idleBlock(int)
{
    // Work that must not run inside the engine's callbacks.
    if (fax_ && !calling_ && pagesReceived_ > pagesDelivered_ && !pageReady_)
        pageReady_ = loadReceivedPage();
}

int Class2Modem::phaseB(int)
{
    t30_state_t *t30 = fax_get_t30_state(fax_);
    const char *id = t30_get_rx_ident(t30);
    remoteId_ = id ? id : "";
    // After EOM (a page in another resolution follows) the engine goes
    // through phase B again; the host has handed over every page already.
    if (calling_ && !txPages_.empty())
        return T30_ERR_OK;
    respond(report("+FCON", "+FCO"));
    if (calling_) {
        respond(report("+FCSI:", "+FCI:") + "\"" + remoteId_ + "\"");
        respond(report("+FDIS:", "+FIS:") + "1,5,0,2,0,0,0,0");
        ok();
        port_.flush();
        if (!collectPages()) {
            VlineLog::write("modem%d: no pages from the host", index_);
            return T30_ERR_FILEERROR;
        }
        return T30_ERR_OK;
    }
    t30_stats_t st{};
    t30_get_transfer_statistics(t30, &st);
    // The resolution of the DCS just received: the statistics still hold
    // the previous document's page after EOM.
    fine_ = t30->y_resolution >= T4_Y_RESOLUTION_FINE;
    bitRate_ = st.bit_rate;
    respond(report("+FTSI:", "+FTI:") + "\"" + remoteId_ + "\"");
    respond(report("+FDCS:", "+FCS:") + sessionParams());
    ok();
    port_.flush();
    return T30_ERR_OK;
}

int Class2Modem::phaseD(int result)
{
    int fcf = result & 0xFE;
    if (calling_) {
        // The page's status ends the host's +FET (Class 2) or page-end code
        // (Class 2.0); the hang-up report follows on its own once the call
        // is cleared.
        // Earlier pages were acknowledged as they were handed over; only the
        // last one waits for the far end.
        int status = (fcf == T30_MCF || fcf == T30_RTP) ? 1 : 2;
        worstStatus_ = std::max(worstStatus_, status);
        ++pagesConfirmed_;
        VlineLog::write("modem%d: page %d of %zu confirmed with status %d", index_, pagesConfirmed_,
                        txPages_.size(), status);
        if (pagesConfirmed_ >= static_cast<int>(txPages_.size()) && !pageAcknowledged_) {
            respond(report("+FPTS:", "+FPS:") + std::to_string(worstStatus_));
            ok();
            port_.flush();
            pageAcknowledged_ = true;
        }
    } else {
        ppms_.push_back(fcf);
        ++pagesReceived_;
    }
    return T30_ERR_OK;
}

void Class2Modem::phaseE(int result)
{
    callDone_ = true;
    hangupCode_ = result == T30_ERR_OK ? 0 : (calling_ ? 50 : 70);
    VlineLog::write("modem%d: session ended: %d \"%s\"", index_, result, t30_completion_code_to_str(result));
    // A receiving host gets the hang-up report once it has collected every
    // page and asks again with AT+FDR.
    if (calling_ || (fdrPending_ && !pageReady_ && pagesReceived_ == pagesDelivered_))
        finishCall();
}

void Class2Modem::finishCall()
{
    if (hangupReported_)
        return;
    hangupReported_ = true;
    char code[8];
    std::snprintf(code, sizeof code, class20_ ? "%02X" : "%d", hangupCode_);
    respond(report("+FHNG:", "+FHS:") + code);
    // A sender whose last page was acknowledged already has its OK.
    if (!(calling_ && pageAcknowledged_) || fkPending_)
        ok();
    fkPending_ = false;
    port_.flush();
    fdrPending_ = false;
    owner_.modemHungUp(*this);
    calling_ = false;
}

bool Class2Modem::collectPages()
{
    // The whole line stands still while the host hands over its pages.
    auto deadline = std::chrono::steady_clock::now() + kPageCollectTimeout;
    std::vector<uint8_t> data;
    enum { Command, Data, WaitFet } state = Command;
    txPages_.clear();
    // Stores the page just received; more: the host announced another page.
    auto pageDone = [&](bool more) {
        txPages_.emplace_back(std::move(data), fine_);
        data.clear();
        VlineLog::write("modem%d: page %zu from the host: %zu bytes%s", index_, txPages_.size(),
                        txPages_.back().first.size(), more ? ", more follow" : "");
        if (more) {
            respond(report("+FPTS:", "+FPS:") + "1");
            ok();
            port_.flush();
            state = Command;
        }
    };
    bool dle = false;
    std::string line;
    // Page data is taken no faster than the line would carry it, as a real
    // modem's flow control does (hosts time their transfers).
    const double bytesPerSecond = bitRate_ / 8.0 * speedUp_;
    auto dataStart = std::chrono::steady_clock::now();
    size_t dataBytes = 0;
    bool xoff = false;
    while (std::chrono::steady_clock::now() < deadline && !stopRequested()) {
        port_.flush();
        size_t room = 1024;
        if (state == Data) {
            double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - dataStart).count();
            double allowed = 2048 + elapsed * bytesPerSecond;
            room = allowed > static_cast<double>(dataBytes) ? std::min<size_t>(1024, static_cast<size_t>(allowed) - dataBytes) : 0;
            size_t queued = port_.queuedInput();
            if (!xoff && queued > 2048 && port_.hostUsesSoftwareFlow()) {
                port_.writeUrgent(kXoff);
                xoff = true;
            } else if (xoff && queued < 512) {
                port_.writeUrgent(kXon);
                xoff = false;
            }
        }
        if (room == 0) {
            poll(nullptr, 0, 5);
            continue;
        }
        pollfd pfd{port_.masterFd(), POLLIN, 0};
        if (poll(&pfd, 1, 20) <= 0)
            continue;
        uint8_t buf[1024];
        size_t n = port_.read(buf, room);
        if (state == Data)
            dataBytes += n;
        for (size_t i = 0; i < n; ++i) {
            uint8_t b = buf[i];
            if (state == Data) {
                if (dle) {
                    dle = false;
                    if (b == kDle) {
                        data.push_back(fromHost(kDle));
                    } else if (b == kEtx) {
                        ok();
                        state = WaitFet;
                    } else if (class20_ && (b == ',' || b == ';' || b == '.')) {
                        pageDone(b != '.');
                        if (b == '.')
                            return writePagesTiff();
                    }
                } else if (b == kDle) {
                    dle = true;
                } else {
                    data.push_back(fromHost(b));
                }
                continue;
            }
            if (echo_)
                port_.write(&b, 1);
            if (b != '\r') {
                if (b != '\n' && line.size() < 256)
                    line += static_cast<char>(b);
                continue;
            }
            std::string up;
            for (char c : line)
                if (!std::isspace(static_cast<unsigned char>(c)))
                    up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            line.clear();
            if (up.rfind("AT+FDT", 0) == 0) {
                if (up.size() > 7 && up[6] == '=')
                    fine_ = up[7] == '1';
                else
                    fine_ = !dis_.empty() && dis_[0] == '1';
                respond(report("+FDCS:", "+FCS:") + sessionParams());
                respond("CONNECT");
                if (!class20_)
                    port_.writeUrgent(kXon);  // ready for data
                state = Data;
                dataStart = std::chrono::steady_clock::now();
                dataBytes = 0;
                deadline = dataStart + kPageCollectTimeout;
            } else if (up.rfind("AT+FET=", 0) == 0 && state == WaitFet) {
                bool more = up != "AT+FET=2";
                pageDone(more);
                if (!more)
                    return writePagesTiff();
            } else if (up == "ATH" || up == "ATH0" || up.find("+FK") != std::string::npos) {
                ok();
                return false;
            } else if (up.rfind("AT+", 0) == 0) {
                // Parameter commands between pages, e.g. AT+FDIS=1 to send
                // the next page in fine resolution, take effect as usual.
                std::string reply;
                if (!extended(up.substr(3), reply)) {
                    respond("ERROR");
                    continue;
                }
                if (!reply.empty() && reply != "-")
                    respond(reply);
                ok();
            } else if (!up.empty()) {
                ok();
            }
        }
    }
    return false;
}

bool Class2Modem::writePagesTiff()
{
    // Hosts send page data in transmission order in both classes. All pages
    // go into one file, which the engine sends with MPS between them.
    t4_rx_state_t *t4 = t4_rx_init(nullptr, pagePath_.c_str(), T4_COMPRESSION_ITU_T4_2D);
    if (!t4)
        return false;
    bool good = !txPages_.empty();
    for (const auto &[bits, fine] : txPages_) {
        t4_rx_set_rx_encoding(t4, T4_COMPRESSION_ITU_T4_1D);
        t4_rx_set_image_width(t4, 1728);
        t4_rx_set_x_resolution(t4, T4_X_RESOLUTION_R8);
        t4_rx_set_y_resolution(t4, fine ? T4_Y_RESOLUTION_FINE : T4_Y_RESOLUTION_STANDARD);
        t4_rx_start_page(t4);
        t4_rx_put_chunk(t4, bits.data(), static_cast<int>(bits.size()));
        t4_rx_end_page(t4);
        t4_stats_t st{};
        t4_rx_get_transfer_statistics(t4, &st);
        VlineLog::write("modem%d: page from the host: %zu bytes, %d rows", index_, bits.size(), st.length);
        good = good && st.length > 0;
    }
    t4_rx_free(t4);
    return good;
}

uint8_t Class2Modem::toHost(uint8_t b) const
{
    const bool reversed = class20_ ? (bitOrder_ & 1) != 0 : (bitOrder_ & 1) == 0;
    return reversed ? reverseBits(b) : b;
}

uint8_t Class2Modem::fromHost(uint8_t b) const { return (bitOrder_ & 1) ? reverseBits(b) : b; }

bool Class2Modem::loadReceivedPage()
{
    t4_tx_state_t *t4 = t4_tx_init(nullptr, pagePath_.c_str(), pagesDelivered_, pagesDelivered_);
    if (!t4)
        return false;
    t4_tx_set_tx_encoding(t4, T4_COMPRESSION_ITU_T4_1D);
    t4_tx_set_min_bits_per_row(t4, 0);
    pageData_.clear();
    if (t4_tx_start_page(t4) == 0) {
        uint8_t buf[4096];
        int n;
        while ((n = t4_tx_get_chunk(t4, buf, sizeof buf)) > 0)
            pageData_.insert(pageData_.end(), buf, buf + n);
    }
    t4_tx_free(t4);
    VlineLog::write("modem%d: received page %d ready for the host (%zu bytes)", index_, pagesDelivered_ + 1,
                    pageData_.size());
    return !pageData_.empty();
}

void Class2Modem::deliverPage()
{
    if (host_ != Host::WaitDc2 && !connectSent_) {
        respond("CONNECT");
        connectSent_ = true;
        host_ = Host::WaitDc2;
        return;
    }
    connectSent_ = false;
    std::vector<uint8_t> out;
    out.reserve(pageData_.size() + pageData_.size() / 16 + 2);
    for (uint8_t b : pageData_) {
        uint8_t v = toHost(b);
        out.push_back(v);
        if (v == kDle)
            out.push_back(kDle);
    }
    out.push_back(kDle);
    out.push_back(kEtx);
    port_.write(out.data(), out.size());
    respond(report("+FPTS:", "+FPS:") + "1");
    int last = pagesDelivered_ < static_cast<int>(ppms_.size()) ? ppms_[static_cast<size_t>(pagesDelivered_)] : -1;
    int ppm = last == T30_MPS ? 0 : last == T30_EOM ? 1 : 2;
    respond("+FET:" + std::to_string(ppm));
    ok();
    ++pagesDelivered_;
    pageReady_ = false;
    fdrPending_ = false;
}

} // namespace qln::vline
