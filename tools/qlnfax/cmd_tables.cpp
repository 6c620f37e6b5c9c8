// qlnfax tables init: creates or opens the four fax tables as the program
// does at start, then runs the full index rebuild when DATEND is missing.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include "common/datadir.h"
#include "records/faxtables.h"
#include "records/sx.h"

namespace {

using qln::records::FaxTables;
using qln::records::TTable;

void describe(TTable &t)
{
    if (!t.Active())
        return;
    std::string tags;
    int count = t.WithArea([] { return qln::records::sx_TagCount(); });
    for (int i = 1; i <= count; ++i)
        tags += (i > 1 ? " " : "") + t.WithArea([i] { return qln::records::sx_TagName(i); });
    std::printf("%s\t%ld rows\t%ld listed\ttags: %s\n", t.TableName.c_str(), t.RecordCount(), t.QueryRecCount(),
                tags.c_str());
}

int runTables(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    if (args.size() != 1 || args.front() != "init")
        throw std::runtime_error("usage: qlnfax tables init [--data-dir DIR]");

    FaxTables ft(qln::dataDirectory());
    if (!ft.OpenFaxDBF()) {
        std::fprintf(stderr, "Unable to open/create the FAX datafile - closing program\n");
        return 1;
    }
    if (!ft.OpenRecFaxDBF()) {
        std::fprintf(stderr, "Unable to open/create the FAX RECEIVE datafile - closing program\n");
        return 1;
    }
    if (!ft.OpenCoverDBF())
        std::fprintf(stderr, "cannot open or create %s\n", qln::records::kCoverFile);
    if (!ft.OpenPhoneDBF(ft.PhoneTable))
        std::fprintf(stderr, "cannot open or create %s\n", qln::records::kPhoneFile);
    if (ft.NeedsIndexRebuild())
        ft.RebuildIndexes([](const std::string &text) { std::printf("%s\n", text.c_str()); });
    // The rebuild closes the side tables; open them again to describe them.
    ft.OpenCoverDBF();
    ft.OpenPhoneDBF(ft.PhoneTable);
    describe(ft.FaxTable);
    describe(ft.RecTable);
    describe(ft.CoverTable);
    describe(ft.PhoneTable);
    return 0;
}

const QlnCommand reg{"tables", "tables init [--data-dir DIR]",
                     "create or open the fax tables; rebuild indexes when incomplete", runTables};

}  // namespace
