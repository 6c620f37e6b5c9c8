#include "sampledata.h"

#include "records/faxtables.h"
#include "records/sx.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace qln::sample {

namespace {
const char *const kNames[] = {"Ada Byron",    "Grace Hopper", "Alan Turing",  "Edsger Dijkstra",
                              "Barbara Liskov", "Donald Knuth", "Frances Allen", "Ken Thompson"};
const char *const kSubjects[] = {"Quarterly report", "Signed contract", "Purchase order",
                                 "Meeting minutes",  "Invoice 2291",    "Delivery note",
                                 "Price list",       "Change request"};
const char *const kStations[] = {"+1 555 0100", "ACME CORP", "+44 20 7946 0000", "FAX",
                                 "+49 30 901820", "BILLING DEPT"};

std::string date(long i)
{
    const int year = 2020 + static_cast<int>(i / 336 % 6);
    const int month = 1 + static_cast<int>(i / 28 % 12);
    const int day = 1 + static_cast<int>(i % 28);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", year, month, day);
    return buf;
}

std::string time(long i)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d:%02d", static_cast<int>(8 + i % 10),
                  static_cast<int>(i * 7 % 60));
    return buf;
}
}  // namespace

bool writeSampleFaxes(const std::string &dataDir, long outgoing, long received, bool withFiles)
{
    using namespace records;
    FaxTables t(dataDir);
    if (!t.OpenFaxDBF() || !t.OpenRecFaxDBF())
        return false;
    // Rows go straight through the engine and are committed once at the end
    // (a commit per row would sync the files 40,000 times).
    const bool outOk = t.FaxTable.WithArea([&] {
        bool ok = true;
        for (long i = 0; i < outgoing && ok; ++i) {
            const bool sent = i % 5 != 4;
            ok = sx_AppendBlank() && sx_Replace("SUBJECT", R_CHAR, kSubjects[i % 8]) &&
                 sx_Replace("RECIPIENT", R_CHAR, kNames[(i * 3) % 8]) &&
                 sx_Replace("PHONE", R_CHAR, "555-01" + std::to_string(10 + i % 90)) &&
                 sx_Replace("SENT", R_LOGICAL, sent ? "T" : "F") &&
                 sx_Replace("PAGES", R_INTEGER, std::to_string(1 + i % 4));
            if (ok && sent)
                ok = sx_Replace("DATESENT", R_DATESTR, date(i)) &&
                     sx_Replace("TIMESENT", R_CHAR, time(i)) &&
                     sx_Replace("LASTRESULT", R_CHAR, "SENT");
            else if (ok && i % 10 == 4)
                ok = sx_Replace("LASTRESULT", R_CHAR, "BUSY");
        }
        return ok && sx_Commit();
    });
    namespace fs = std::filesystem;
    const fs::path receive = fs::path(dataDir) / "receive";
    if (withFiles)
        fs::create_directories(receive);
    const bool inOk = t.RecTable.WithArea([&] {
        bool ok = true;
        for (long i = 0; i < received && ok; ++i) {
            char file[16];
            std::snprintf(file, sizeof file, "FAX%04ld.APF", i % 10000);
            ok = sx_AppendBlank() && sx_Replace("DATEREC", R_DATESTR, date(i * 2 + 1)) &&
                 sx_Replace("TIMEREC", R_CHAR, time(i + 3)) &&
                 sx_Replace("FROM", R_CHAR, kStations[i % 6]) &&
                 sx_Replace("PAGES", R_INTEGER, std::to_string(1 + i % 6)) &&
                 sx_Replace("FAXFILE", R_CHAR, file) &&
                 sx_Replace("NOTES", R_CHAR, i % 3 == 0 ? "call back" : "");
            if (ok && withFiles)
                std::ofstream(receive / file, std::ios::binary) << "APF";
        }
        return ok && sx_Commit();
    });
    t.CloseAll();
    return outOk && inOk;
}

}  // namespace qln::sample
