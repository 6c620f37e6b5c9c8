#include "fax/faxsendfax.h"

#include "comms/comport.h"
#include "fax/faxenhancedrender.h"
#include "fax/faxfilelist.h"
#include "fax/faxtextrender.h"
#include "comms/uibridge.h"

#include <cctype>
#include <cstdio>
#include <memory>

namespace qln::fax {

FaxLink &idleFaxLink();
int faxNextLimitMs();

TApdSendFax::TApdSendFax() : sender_(idleFaxLink(), *this) {}

TApdSendFax::~TApdSendFax()
{
    if (sender_.inProgress())
        sender_.cancel();
    // No trigger may reach the session once it is being destroyed.
    *alive_ = false;
    if (link_)
        link_->detach();
    if (!tempFile_.empty())
        std::remove(tempFile_.c_str());
}

int TApdSendFax::StartSending()
{
    if (sender_.inProgress())
        return -ecFaxSessionError;
    if (int rc = bindPort())
        return rc;
    if (!tempFile_.empty()) {
        std::remove(tempFile_.c_str());
        tempFile_.clear();
    }
    if (FaxFileList.size() >= 2 && !OnFaxNext) {
        FaxFileJoin j = concatenateFaxFiles(FaxFileList);
        if (j.error)
            return j.error;
        tempFile_ = j.path;
        sender_.send.documentStarts.clear();
        if (DocumentPerFile) {
            int first = 1;
            for (std::size_t i = 0; i + 1 < j.filePages.size(); ++i) {
                first += j.filePages[i];
                sender_.send.documentStarts.push_back(first);
            }
        }
    } else if (FaxFileList.size() == 1) {
        faxFile_ = FaxFileList.front();
        sender_.send.documentStarts.clear();
    }
    copySettings(sender_.settings);
    SendSettings &s = sender_.send;
    s.blindDial = BlindDial;
    s.detectBusy = DetectBusy;
    s.toneDial = ToneDial;
    s.dialPrefix = DialPrefix.substr(0, 40);
    s.dialWait = DialWait;
    s.dialAttempts = DialAttempts;
    s.dialRetryWait = DialRetryWait;
    s.maxSendCount = MaxSendCount;
    s.bufferMinimum = BufferMinimum;
    s.headerLine = HeaderLine;
    s.headerSender = HeaderSender;
    s.headerRecipient = HeaderRecipient;
    s.headerTitle = HeaderTitle;
    s.sameParameters = SameParameters;
    sender_.renderer = textRenderer();
    nextRequests_ = 0;

    link_->suspend(true);
    int rc = sender_.prepare();
    link_->suspend(false);
    if (rc != 0)
        return rc;
    if (int t = link_->attach(sender_); t != 0) {
        sender_.lastError = t;
        faxError(t);
        faxFinish(t);
        return t;
    }
    sender_.start();
    return 0;
}

QFont TApdSendFax::defaultHeaderFont()
{
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(13);
    return f;
}

TextLineRenderer TApdSendFax::textRenderer() const
{
    if (HeaderRenderer)
        return HeaderRenderer;
    if (EnhTextEnabled)
        return EnhancedTextRenderer(EnhHeaderFont, EnhFont);
    return renderFaxTextLine;
}

int TApdSendFax::ClassesSupported()
{
    if (sender_.inProgress())
        return sender_.classesSupported;
    if (bindPort() != 0)
        return 0;
    link_->suspend(true);
    TFaxClass c = fcUnknown;
    sender_.detectClass(defaultInitString(BlindDial, DetectBusy), c);
    link_->suspend(false);
    return sender_.classesSupported;
}

bool TApdSendFax::faxNext(std::string &phone, std::string &file, std::string &cover)
{
    // The answer lives as long as the handler: one that runs past the time
    // limit writes into this object, never into the session's stack.
    struct Answer {
        std::string phone, file, cover;
    };
    auto alive = alive_;
    auto a = std::make_shared<Answer>();
    auto answer = UiBridge::Send(
        [this, alive, a]() -> intptr_t {
            if (!*alive)
                return 0;
            if (OnFaxNext) {
                OnFaxNext(*this, a->phone, a->file, a->cover);
            } else if (nextRequests_++ == 0) {
                a->phone = PhoneNumber;
                a->file = tempFile_.empty() ? faxFile_ : tempFile_;
                a->cover = CoverFile;
            }
            return a->phone.empty() ? 0 : 1;
        },
        faxNextLimitMs());
    if (!answer || *answer == 0)
        return false;
    phone = a->phone.substr(0, 40);
    file = a->file;
    // The cover name is kept as given: on a case-sensitive file system an
    // upper-cased path names another file (the APF test of its extension
    // ignores case).
    cover = a->cover;
    return true;
}

void TApdSendFax::finished(int)
{
    if (!tempFile_.empty()) {
        std::remove(tempFile_.c_str());
        tempFile_.clear();
    }
}

FaxLogFacts TApdSendFax::logFacts() const
{
    FaxLogFacts f = TApdAbstractFax::logFacts();
    if (!FaxFileList.empty())
        f.files = FaxFileList;
    else
        f.files = {sender_.faxFile};
    return f;
}

} // namespace qln::fax
