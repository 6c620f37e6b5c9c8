#include "sessions/faxclasscheck.h"

#include "common/messages.h"
#include "comms/comport.h"
#include "fax/faxclass.h"
#include "fax/faxsendfax.h"
#include "sessions/modemhelpers.h"

#include <QCoreApplication>

namespace qln {

namespace {

void letMessagesRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace

FaxClassCheck::FaxClassCheck(TApdComPort &port, fax::TApdSendFax &fax, ClassCheckRequest request)
    : port_(port), fax_(fax), request_(std::move(request))
{
}

void FaxClassCheck::changed()
{
    if (onChange)
        onChange();
}

void FaxClassCheck::setStatus(const std::string &text)
{
    status_ = text;
    changed();
}

void FaxClassCheck::unknownLabels()
{
    class1_ = "Class 1   : unknown";
    class2_ = "Class 2   : unknown";
    class20_ = "Class 2.0 : unknown";
    class20Bold_ = false;
    changed();
}

ClassCheckOutcome FaxClassCheck::run()
{
    outcome_ = {};
    query();
    // Whatever happened: beep, hand the line back, close the port.
    messages().beep();
    if (request_.telephony && request_.device)
        ReleaseTelephony(*request_.device);
    try {
        if (port_.Open())
            port_.SetOpen(false);
    } catch (const std::exception &) {
    }
    letMessagesRun();
    return outcome_;
}

void FaxClassCheck::query()
{
    const std::string n = std::to_string(request_.portNumber);
    setStatus("Opening Com Port...please wait");
    letMessagesRun();

    std::string message;
    bool open = false;
    if (request_.telephony && request_.device) {
        setStatus("Opening " + request_.deviceName + "...please wait");
        open = OpenThroughTelephony(*request_.device, request_.deviceName, port_, message);
    } else {
        port_.SetComNumber(request_.portNumber);
        open = OpenPort(port_, message);
    }
    if (!open) {
        setStatus(message);
        unknownLabels();
        return;
    }

    WaitTicksProcessingMessages(modemHelperTiming().checkPauseTicks);
    const std::string noResponse = "No response from device on COM" + n + ". May not be a modem.";
    if (!CheckForModem(port_)
        && !messages().question("The device on COM" + n + " is not responding and may\rnot be a modem. "
                                "Continue with Fax Class Analysis?",
                                faxclass::kNoResponseCaption)) {
        setStatus(noResponse);
        unknownLabels();
        return;
    }

    if (!ResetModem(port_)) {
        messages().information("We are unable to continue the test. \r\rThe modem did not respond to the reset "
                               "string:   (AT&F)\r\rIs the serial port " + PortText(port_) + " correct? Please\r"
                               "click the Find Modem Port button on the Preferences screen to be sure.");
        setStatus(noResponse);
        unknownLabels();
        return;
    }

    setStatus("Querying modem Fax Class support...");
    letMessagesRun();
    fax_.SetComPort(&port_);
    int supported = 0;
    try {
        supported = fax_.ClassesSupported();
    } catch (const std::exception &) {
        supported = 0;
    }
    const bool c1 = supported & fax::kClass1Bit;
    const bool c2 = supported & fax::kClass2Bit;
    const bool c20 = supported & fax::kClass20Bit;
    if (!c1 && !c2 && !c20) {
        setStatus("Unable to determine Fax Class support from modem on Com " + n);
        unknownLabels();
        return;
    }
    status_.clear();

    class20_ = c20 ? "Class 2.0 : Supported" : "Class 2.0 : Not Supported";
    class2_ = c2 ? "Class 2   : Supported" : "Class 2   : Not Supported";
    class1_ = c1 ? "Class 1   : Supported" : "Class 1   : Not Supported";
    if (c1) {
        outcome_ = {0, "Class 1"};
        class1_ += " (recommended)";
    } else if (c2) {
        outcome_ = {1, "Class 2"};
        class2_ += " (recommended)";
    } else {
        outcome_ = {2, "Class 2.0"};
        class20Bold_ = true;
    }
    changed();
    letMessagesRun();
    setStatus("Try using the recommended Fax Class (" + outcome_.name + "). \r\r"
              "If you experience problems, try other supported classes or auto detect.");
}

} // namespace qln
