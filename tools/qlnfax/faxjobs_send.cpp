// Rendering and sending a stored outgoing fax as the send window does.
#include "faxjobs.h"

#include "faxcli.h"

#include "common/datadir.h"
#include "common/settings.h"
#include "compose/faxfilemaker.h"
#include "records/faxtables.h"
#include "sessions/modemhelpers.h"
#include "sessions/sendfaxjob.h"
#include "sessions/sendoutcome.h"

#include <cstdio>
#include <stdexcept>

namespace qlnfaxjobs {

namespace {

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

} // namespace

int sendStoredFax(const SendRequest &request, const std::string &who, std::string *lastResultOut)
{
    using namespace qln;
    const std::string dataDir = dataDirectory();
    Settings &s = settings();
    s.load(settingsPath());
    if (request.com > 0) {
        s.comPort = request.com - 1;
        s.useTAPI = false;
        s.noModem = false;
    } else if (!request.device.empty()) {
        s.useTAPI = false;
        s.noModem = false;
    }
    if (!request.faxClass.empty())
        s.faxClass = classSetting(request.faxClass);
    if (s.noModem) {
        std::fprintf(stderr, "%s: no modem is set up; give --device or --com\n", who.c_str());
        return 2;
    }
    InstallPortMapping(s);

    records::FaxTables tables(dataDir);
    if (!tables.OpenFaxDBF()) {
        std::fprintf(stderr, "%s: cannot open the outgoing faxes in %s\n", who.c_str(), dataDir.c_str());
        return 2;
    }
    records::TTable &faxTable = tables.FaxTable;
    if (!faxTable.GoTo(request.record) || faxTable.IsDeleted()) {
        std::fprintf(stderr, "%s: no outgoing fax with record number %ld\n", who.c_str(), request.record);
        return 2;
    }

    int pages = 0;
    std::string file;
    try {
        compose::FaxFileMaker maker(tables, dataDir);
        file = maker.CreateFaxFile(pages);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", who.c_str(), e.what());
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
        if (!request.device.empty())
            job.ApdComPort1.SetDevicePath(qlnfaxcli::devicePath(request.device));
        if (request.printStatus)
            qlnfaxcli::printStatusChanges(job.ApdSendFax1);
        job.SendFaxButtonClick(in);
        qlnfaxcli::waitForSession([&] { return !job.busy(); }, [&] { job.ApdSendFax1.CancelSession(); });
        job.CloseRequested();
        outcome = SendOutcome::of(job, in.phoneNumber);
    }
    try {
        CompleteSend(faxTable, pages, outcome, file);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: the record was not updated: %s\n", who.c_str(), e.what());
        return 1;
    }
    if (lastResultOut)
        *lastResultOut = outcome.lastResult;
    std::printf("result: %s\n", outcome.lastResult.c_str());
    std::fflush(stdout);
    return SendFaxJob::IsSentResult(outcome.lastResult) ? 0 : 1;
}

} // namespace qlnfaxjobs
