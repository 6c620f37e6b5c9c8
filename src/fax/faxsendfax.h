// TApdSendFax: the fax sending component. Holds the sending settings, joins
// a FaxFileList of several files into one temporary APF file, runs a
// FaxSender on the port's dispatcher and raises the events.
//
// The header line (and a text cover page) is drawn with the built-in fax
// fonts, or with EnhHeaderFont (and EnhFont) when EnhTextEnabled is set; see
// faxenhancedrender.h for how the enhanced fonts are used on the dispatcher
// thread.
//
// Threading: user-interface thread; see TApdAbstractFax.
#pragma once

#include "fax/faxabstract.h"
#include "fax/faxsend.h"

#include <QFont>

#include <vector>

namespace qln::fax {

class TApdSendFax : public TApdAbstractFax {
public:
    TApdSendFax();
    ~TApdSendFax() override;

    // Draw the header line with EnhHeaderFont and text cover pages with
    // EnhFont instead of the built-in fax fonts.
    bool EnhTextEnabled = false;
    QFont EnhHeaderFont = defaultHeaderFont(); // a sans-serif font of 13 pixels
    QFont EnhFont;                              // the application font, as the converter's
    std::vector<std::string> FaxFileList;
    bool BlindDial = false;
    bool DetectBusy = true;
    bool ToneDial = true;
    std::string DialPrefix;
    int DialWait = 60;
    int DialAttempts = 3;
    int DialRetryWait = 60;
    int MaxSendCount = 50;
    int BufferMinimum = 1000;
    std::string HeaderLine;
    std::string CoverFile;
    std::string PhoneNumber;
    bool SafeMode = true; // stored, no effect
    // Class 1: MPS between pages when set, EOM (renegotiation) when cleared.
    bool SameParameters = true;
    // Class 1: each file of FaxFileList is a document of its own: EOM
    // between files (renegotiation, phase B again), MPS within a file.
    bool DocumentPerFile = false;
    std::string HeaderSender;
    std::string HeaderRecipient;
    std::string HeaderTitle;
    int DialAttempt() const { return sender_.dialAttempt; }
    // Renders header and cover text lines in place of the fonts above when
    // set (tests use it to see what the sender writes).
    TextLineRenderer HeaderRenderer;
    // The renderer StartSending hands to the session: HeaderRenderer when
    // set, else the enhanced fonts when EnhTextEnabled, else the built-in
    // fax fonts. Fonts are taken as they are at the call.
    TextLineRenderer textRenderer() const;
    static QFont defaultHeaderFont();

    std::function<void(TApdSendFax &, std::string &phone, std::string &faxFile,
                       std::string &coverFile)>
        OnFaxNext;

    // Starts sending. Returns 0, or a negative code: -1005 no port, -3006
    // output buffer too small, -8001 a list file that is not APF, -5001 no
    // trigger, or the preparation's error (the finish event follows then).
    int StartSending();
    // Classes the modem supports (4 Class 1, 8 Class 2, 16 Class 2.0).
    int ClassesSupported();

protected:
    FaxSession &rec() override { return sender_; }
    const FaxSession &rec() const override { return sender_; }
    void finished(int code) override;
    bool faxNext(std::string &phone, std::string &file, std::string &cover) override;
    void faxName(std::string &) override {}
    bool faxAccept() override { return true; }
    FaxLogFacts logFacts() const override;

private:
    FaxSender sender_;
    std::string tempFile_;
    int nextRequests_ = 0;
};

} // namespace qln::fax
