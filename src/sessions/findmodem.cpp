#include "sessions/findmodem.h"

#include "common/messages.h"
#include "common/stringtable.h"
#include "comms/comport.h"
#include "comms/dispatchercodes.h"
#include "comms/portexceptions.h"
#include "sessions/modemhelpers.h"

#include <QCoreApplication>

namespace qln {

FindModem::FindModem(TApdComPort &port) : port_(port) {}

void FindModem::setLabel(int n, const std::string &text)
{
    labels_[size_t(n - 1)] = text;
    if (onLabel)
        onLabel(n, text);
}

std::string FindModem::probe(int n)
{
    std::string text = "Com " + std::to_string(n) + ": ";
    try {
        port_.SetComNumber(n);
        port_.SetOpen(true);
        if (port_.Open() && CheckForModem(port_)) {
            text += "MODEM";
            if (result_ < 0)
                result_ = n;
        } else {
            text += "Unknown";
        }
    } catch (const EInOutError &e) {
        // File-system errors are not the library's own codes.
        text += std::string("ERROR: ") + e.what();
    } catch (const EAPDException &e) {
        if (e.Code == ecAlreadyOpen || e.Code == ecHardware) {
            text += "Port is already open (could be modem)";
            portInUse_ = true;
        } else if (e.Code == ecBadId) {
            text += "Port does not exist";
        } else {
            text += hasLibraryText(e.Code) ? libraryText(e.Code) : "Unknown Error";
        }
    } catch (const std::exception &e) {
        text += std::string("ERROR: ") + e.what();
    }
    try {
        port_.SetOpen(false);
    } catch (const std::exception &) {
        // A port that fails to close is not worth more than its label.
    }
    return text;
}

int FindModem::run()
{
    result_ = -1;
    portInUse_ = false;
    for (int n = 1; n <= findmodem::kPorts; ++n) {
        setLabel(n, "Com " + std::to_string(n) + ": TESTING");
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        setLabel(n, probe(n));
    }
    message_ = messageFor(result_, portInUse_);
    messages().beep();
    return result_;
}

std::string FindModem::messageFor(int found, bool portInUse)
{
    if (found > 0) {
        const std::string p = std::to_string(found);
        return "A modem was found on Com Port " + p + ". " + "We suggest setting the Port as Com " + p + ".";
    }
    if (portInUse)
        return "No modem found. Please make sure that no other program uses the ports (a terminal program, "
               "another fax program, ModemManager), and then try again. If you know which Com port your modem "
               "uses, you can also just set the Port to that setting";
    return "No modem found. If you know which Com port your modem uses, you can also just set the Port to "
           "that setting. Please note that Quillon does not work with CABLE, DSL or ISDN connections.";
}

} // namespace qln
