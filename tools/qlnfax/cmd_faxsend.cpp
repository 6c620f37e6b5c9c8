// qlnfax fax send: sends a stored outgoing fax the way the send window
// does: the record is rendered, one attempt is made with the modem of the
// settings (or the port given), "Lastsend.log" is written and the record
// gets its result. Exit status 0 only when the fax was sent.
#include "commands.h"
#include "faxjobs.h"

#include "common/datadir.h"

#include <cstdio>
#include <stdexcept>

namespace {

const char *kUsage =
    "usage: qlnfax fax send [--data-dir DIR] RECORD [--device PATH|--com N] [--class 1|2|2.0]\n";

int runFaxSend(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string value;
    qlnfaxjobs::SendRequest request;
    if (qlnargs::takeOption(args, "--data-dir", value))
        qln::setDataDirectoryOverride(value);
    const bool haveDevice = qlnargs::takeOption(args, "--device", request.device);
    const bool haveCom = qlnargs::takeInt(args, "--com", request.com, 1, 255);
    qlnargs::takeOption(args, "--class", request.faxClass);
    if (args.size() != 1 || (haveDevice && haveCom)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        std::size_t used = 0;
        request.record = std::stol(args[0], &used);
        if (used != args[0].size() || request.record < 1)
            throw std::invalid_argument("record");
    } catch (const std::exception &) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    return qlnfaxjobs::sendStoredFax(request, "qlnfax fax send");
}

const QlnCommand reg{"fax send", "fax send [--data-dir DIR] RECORD [--device PATH|--com N] [--class 1|2|2.0]",
                     "render and send a stored outgoing fax as the send window does; writes Lastsend.log "
                     "and the record's result (exit 0 only when sent)",
                     runFaxSend};

}  // namespace
