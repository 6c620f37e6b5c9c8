#include "fax/faxreceivefax.h"

#include "fax/faxnaming.h"
#include "comms/uibridge.h"

#include <memory>

namespace qln::fax {

FaxLink &idleFaxLink();
int faxSendLimitMs();

TApdReceiveFax::TApdReceiveFax() : receiver_(idleFaxLink(), *this) {}

TApdReceiveFax::~TApdReceiveFax()
{
    if (receiver_.inProgress())
        receiver_.cancel();
    // No trigger may reach the session once it is being destroyed.
    *alive_ = false;
    if (link_)
        link_->detach();
}

void TApdReceiveFax::SetDestinationDir(const std::string &dir)
{
    destinationDir_ = dir;
    if (!destinationDir_.empty() && destinationDir_.back() != '/' && destinationDir_.back() != '\\')
        destinationDir_ += '/';
}

int TApdReceiveFax::StartReceiving()
{
    if (receiver_.inProgress())
        return -ecFaxSessionError;
    if (int rc = bindPort())
        return rc;
    copySettings(receiver_.settings);
    receiver_.receive.answerOnRing = AnswerOnRing;
    receiver_.receive.faxAndData = FaxAndData;
    receiver_.receive.oneFax = OneFax;
    receiver_.receive.constantStatus = ConstantStatus;
    receiver_.destinationDir = destinationDir_;
    receiver_.faxNameMode = FaxNameMode;
    link_->suspend(true);
    int rc = receiver_.prepare();
    link_->suspend(false);
    if (rc != 0)
        return rc;
    if (int t = link_->attach(receiver_); t != 0) {
        receiver_.lastError = t;
        faxError(t);
        faxFinish(t);
        return t;
    }
    receiver_.start();
    return 0;
}

int TApdReceiveFax::ClassesSupported()
{
    if (receiver_.inProgress())
        return receiver_.classesSupported;
    if (bindPort() != 0)
        return 0;
    link_->suspend(true);
    TFaxClass c = fcUnknown;
    receiver_.detectClass(defaultInitString(false, true), c);
    link_->suspend(false);
    return receiver_.classesSupported;
}

void TApdReceiveFax::faxName(std::string &name)
{
    // The name lives as long as the handler, which may run past its time
    // limit (see TApdSendFax::faxNext).
    auto alive = alive_;
    auto n = std::make_shared<std::string>();
    auto r = UiBridge::Send(
        [this, alive, n]() -> intptr_t {
            if (!*alive)
                return 0;
            *n = faxFile_;
            if (OnFaxName)
                OnFaxName(*this, *n);
            else
                n->clear(); // the session names it by FaxNameMode
            return 1;
        },
        faxSendLimitMs());
    if (r)
        name = *n;
}

bool TApdReceiveFax::faxAccept()
{
    auto alive = alive_;
    auto r = UiBridge::Send(
        [this, alive]() -> intptr_t {
            if (!*alive)
                return 0;
            bool accept = true;
            if (OnFaxAccept)
                OnFaxAccept(*this, accept);
            return accept ? 1 : 0;
        },
        faxSendLimitMs());
    // A window too busy to answer in time does not refuse the call: in
    // receive mode every call is answered unless a handler says no.
    return !r || *r == 1;
}

FaxLogFacts TApdReceiveFax::logFacts() const
{
    FaxLogFacts f = TApdAbstractFax::logFacts();
    f.receivedFile = receiver_.faxFile;
    return f;
}

} // namespace qln::fax
