#include "fax/faxabstract.h"

#include "comms/comport.h"
#include "comms/portexceptions.h"
#include "comms/uibridge.h"

#include <cstdio>

namespace qln::fax {

namespace {
constexpr int kSendLimitMs = 1000;
constexpr int kNextFaxLimitMs = 2000;
} // namespace

// A link for a component whose session has not started yet: every call is
// harmless, so run-time properties can be read before the first start.
class IdleFaxLink : public FaxLink {
public:
    int writeBlock(const uint8_t *, std::size_t) override { return -3004; }
    std::size_t inputCount() override { return 0; }
    int readByte() override { return -3007; }
    std::size_t outputCount() override { return 0; }
    std::size_t outputFree() override { return 0; }
    void flushInput() override {}
    void flushOutput() override {}
    void setDTR(bool) override {}
    void setRTS(bool) override {}
    bool carrier() override { return false; }
    void setBaud(int) override {}
    int currentBaud() override { return 0; }
    void setTxFlow(bool) override {}
    void setRxFlow(bool, int, int) override {}
    void pause(int) override {}
    long ticks() override { return 0; }
    void armResponseTimer(long) override {}
    void disarmResponseTimer() override {}
    void armStatusTimer(long) override {}
    void armOutputFree(std::size_t) override {}
    void armOutputUsed(std::size_t) override {}
    void disarmOutputTriggers() override {}
    void logState(const std::string &) override {}
};

FaxLink &idleFaxLink()
{
    static IdleFaxLink link;
    return link;
}

TApdAbstractFax::~TApdAbstractFax()
{
    *alive_ = false;
    if (link_)
        link_->detach();
}

void TApdAbstractFax::SetComPort(TApdComPort *port)
{
    port_ = port;
    if (!port)
        return;
    port->SetDataBits(8);
    port->SetStopBits(1);
    port->SetParity(pNone);
    port->SetBaud(19200);
    port->SetInSize(8192);
    port->SetOutSize(8192);
    port->SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
}

std::string TApdAbstractFax::FaxFile() const
{
    return rec().inProgress() ? rec().faxFile : faxFile_;
}

void TApdAbstractFax::copySettings(FaxSettings &s) const
{
    s.initBaud = InitBaud;
    s.normalBaud = NormalBaud;
    s.faxClass = FaxClass;
    s.modemInit = modemInit_;
    s.stationId = StationID.substr(0, 20);
    s.abortNoConnect = AbortNoConnect;
    s.exitOnError = ExitOnError;
    s.softwareFlow = SoftwareFlow;
    s.statusInterval = StatusInterval;
    s.desiredBps = DesiredBPS;
    s.desiredEcm = DesiredECM;
    s.faxFileExt = FaxFileExt;
}

int TApdAbstractFax::bindPort()
{
    if (!port_)
        return -ecComPortNotAssigned;
    try {
        if (!port_->Open()) {
            if (!port_->AutoOpen())
                return -ecComPortNotAssigned;
            port_->SetOpen(true);
        }
    } catch (const EAPDException &e) {
        return -e.Code; // the port's own reason: 2001 no such device, 2008 in use, ...
    } catch (const std::exception &) {
        return -ecInternal;
    }
    if (port_->OutSize() < 8192)
        return -ecOutputBufferTooSmall;
    if (link_)
        link_->detach();
    link_ = std::make_unique<FaxDispatchLink>(port_->Dispatcher());
    rec().setLink(*link_);
    return 0;
}

void TApdAbstractFax::CancelSession()
{
    if (!rec().inProgress())
        return;
    rec().whileWaitingForStep = [] { UiBridge::ProcessMessages(); };
    rec().cancel();
}

FaxLogFacts TApdAbstractFax::logFacts() const
{
    FaxLogFacts f;
    f.phoneNumber = rec().phoneNumber;
    f.remoteStation = rec().remoteStation;
    f.hangupCode = rec().hangupResult;
    f.lastError = rec().lastError;
    return f;
}

void TApdAbstractFax::faxStatus(bool first, bool last)
{
    auto alive = alive_;
    UiBridge::Send(
        [this, alive, first, last]() -> intptr_t {
            if (!*alive)
                return 0;
            if (rec().statusCode == fpGotRemoteID)
                remoteIdTime_ = std::chrono::system_clock::now();
            if (StatusDisplay)
                StatusDisplay->UpdateDisplay(first, last);
            if (OnFaxStatus)
                OnFaxStatus(*this, first, last);
            return 0;
        },
        kSendLimitMs);
}

void TApdAbstractFax::faxLog(int logCode)
{
    // Log events carry what the log and the lists are written from (a
    // received fax becomes a row), so they are delivered even when the user
    // interface is too busy to take them within the limit; the facts are
    // taken now, on the session's thread, so a late delivery reports this
    // call and not the next one.
    auto alive = alive_;
    FaxLogFacts facts = logFacts();
    UiBridge::Deliver(
        [this, alive, logCode, facts] {
            if (!*alive)
                return;
            if (FaxLog)
                FaxLog->UpdateLog(logCode, facts);
            if (OnFaxLog) {
                const FaxLogFacts *outer = logFacts_;
                logFacts_ = &facts;
                OnFaxLog(*this, logCode);
                logFacts_ = outer;
            }
            if (logCode == lfaxReceiveOk || logCode == lfaxReceiveSkip || logCode == lfaxReceiveFail)
                faxFile_.clear();
        },
        kSendLimitMs);
}

void TApdAbstractFax::faxError(int code)
{
    auto alive = alive_;
    UiBridge::Deliver(
        [this, alive, code] {
            if (*alive && OnFaxError)
                OnFaxError(*this, code);
        },
        kSendLimitMs);
}

void TApdAbstractFax::faxFinish(int code)
{
    auto alive = alive_;
    UiBridge::Post([this, alive, code] {
        if (!*alive)
            return;
        if (link_)
            link_->detach();
        finished(code);
        if (OnFaxFinish)
            OnFaxFinish(*this, code);
    });
}

// Used by the next-fax, name and accept queries of the derived components.
int faxSendLimitMs() { return kSendLimitMs; }
int faxNextLimitMs() { return kNextFaxLimitMs; }

} // namespace qln::fax
