// qlnfax fax send: sends a stored outgoing fax the way the send window
// does: the record is rendered, one attempt is made with the modem of the
// settings (or the port given), "Lastsend.log" is written and the record
// gets its result. Exit status 0 only when the fax was sent.
#include "commands.h"

#include "common/datadir.h"
#include "common/settings.h"
#include "compose/faxfilemaker.h"
#include "records/faxtables.h"
#include "sessions/modemhelpers.h"
#include "sessions/sendfaxjob.h"
#include "sessions/sendoutcome.h"

#include "faxcli.h"

#include <cstdio>
#include <stdexcept>

namespace {

const char *kUsage =
    "usage: qlnfax fax send [--data-dir DIR] RECORD [--device PATH|--com N] [--class 1|2|2.0]\n";

int classSetting(const std::string &text)
{
    if (text == "1")
        return 1;
    if (text == "2")
        return 2;
    if (text == "2.0")
        return 3;
    throw std::runtime_error("option --class wants 1, 2 or 2.0, not \"" + text + "\"");
}

int runFaxSend(const QlnArgs &argsIn)
{
    using namespace qln;
    QlnArgs args = argsIn;
    std::string value, device;
    if (qlnargs::takeOption(args, "--data-dir", value))
        setDataDirectoryOverride(value);
    const bool haveDevice = qlnargs::takeOption(args, "--device", device);
    int com = 0;
    const bool haveCom = qlnargs::takeInt(args, "--com", com, 1, 255);
    std::string faxClass;
    const bool haveClass = qlnargs::takeOption(args, "--class", faxClass);
    if (args.size() != 1 || (haveDevice && haveCom)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    int record = 0;
    try {
        std::size_t used = 0;
        record = std::stoi(args[0], &used);
        if (used != args[0].size() || record < 1)
            throw std::invalid_argument("record");
    } catch (const std::exception &) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const std::string dataDir = dataDirectory();
    Settings &s = settings();
    s.load(settingsPath());
    if (haveCom) {
        s.comPort = com - 1;
        s.useTAPI = false;
        s.noModem = false;
    } else if (haveDevice) {
        s.useTAPI = false;
        s.noModem = false;
    }
    if (haveClass)
        s.faxClass = classSetting(faxClass);
    if (s.noModem) {
        std::fputs("qlnfax fax send: no modem is set up; give --device or --com\n", stderr);
        return 2;
    }
    InstallPortMapping(s);

    records::FaxTables tables(dataDir);
    if (!tables.OpenFaxDBF()) {
        std::fprintf(stderr, "qlnfax fax send: cannot open the outgoing faxes in %s\n", dataDir.c_str());
        return 2;
    }
    records::TTable &faxTable = tables.FaxTable;
    if (!faxTable.GoTo(record) || faxTable.IsDeleted()) {
        std::fprintf(stderr, "qlnfax fax send: no outgoing fax with record number %d\n", record);
        return 2;
    }

    int pages = 0;
    std::string file;
    try {
        compose::FaxFileMaker maker(tables, dataDir);
        file = maker.CreateFaxFile(pages);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qlnfax fax send: %s\n", e.what());
        return 1;
    }
    if (file.empty()) {
        std::fputs("Error creating fax file\n", stderr);
        return 1;
    }

    SendFaxInputs in;
    in.phoneNumber = faxTable.GetString("PHONE");
    in.dialPrefix = s.dialPrefix;
    in.dialSuffix = s.dialSuffix;
    in.disablePrefix = s.prefixDisable;
    in.disableSuffix = s.suffixDisable;
    SendOutcome outcome;
    {
        SendFaxJob job(s, file, dataDir);
        if (haveDevice)
            job.ApdComPort1.SetDevicePath(qlnfaxcli::devicePath(device));
        qlnfaxcli::printStatusChanges(job.ApdSendFax1);
        job.SendFaxButtonClick(in);
        qlnfaxcli::waitForSession([&] { return !job.busy(); }, [&] { job.ApdSendFax1.CancelSession(); });
        job.CloseRequested();
        outcome = SendOutcome::of(job, in.phoneNumber);
    }
    try {
        CompleteSend(faxTable, pages, outcome, file);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qlnfax fax send: the record was not updated: %s\n", e.what());
        return 1;
    }
    std::printf("result: %s\n", outcome.lastResult.c_str());
    return SendFaxJob::IsSentResult(outcome.lastResult) ? 0 : 1;
}

const QlnCommand reg{"fax send", "fax send [--data-dir DIR] RECORD [--device PATH|--com N] [--class 1|2|2.0]",
                     "render and send a stored outgoing fax as the send window does; writes Lastsend.log "
                     "and the record's result (exit 0 only when sent)",
                     runFaxSend};

}  // namespace
