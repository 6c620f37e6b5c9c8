// qlnfax tables init: creates or opens the four fax tables as the program
// does at start, then runs the full index rebuild when DATEND is missing.
// A table whose header disagrees with its file size is reported as damaged
// and nothing is opened, rebuilt or written (exit 1). A table that cannot be
// opened or created, or a rebuild that cannot pack or index one, is named
// with its reason and also gives exit 1.
//
// qlnfax tables repair: copies each damaged table's files into a backup
// directory (default "backup-YYYYMMDD-HHMMSS" in the data directory) and
// makes its header count every row the file holds.
#include "commands.h"

#include <cstdio>
#include <ctime>
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

std::string defaultBackupDir(const std::string &dataDir)
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char name[64];
    std::strftime(name, sizeof name, "backup-%Y%m%d-%H%M%S", &tm);
    return dataDir + "/" + name;
}

int runRepair(FaxTables &ft, const std::string &backup)
{
    const auto damaged = ft.DamagedTables();
    if (damaged.empty()) {
        std::printf("no damaged table\n");
        return 0;
    }
    int status = 0;
    for (const std::string &line : ft.RepairTables(backup.empty() ? defaultBackupDir(ft.DataDir()) : backup)) {
        std::printf("%s\n", line.c_str());
        if (line.find("not repaired") != std::string::npos)
            status = 1;
    }
    return status;
}

int runTables(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir, backup;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    qlnargs::takeOption(args, "--backup", backup);
    if (args.size() != 1 || (args.front() != "init" && args.front() != "repair"))
        throw std::runtime_error("usage: qlnfax tables init|repair [--data-dir DIR] [--backup DIR]");

    FaxTables ft(qln::dataDirectory());
    if (args.front() == "repair")
        return runRepair(ft, backup);
    // Damaged tables are reported before anything is opened, so that
    // nothing is created, indexed or packed beside them.
    if (const auto damaged = ft.DamagedTables(); !damaged.empty()) {
        for (const std::string &text : damaged)
            std::fprintf(stderr, "%s; the tables were left as they are (qlnfax tables repair recovers the rows "
                                 "after a backup)\n",
                         text.c_str());
        return 1;
    }
    if (!ft.OpenFaxDBF()) {
        std::fprintf(stderr, "Unable to open/create the FAX datafile - closing program (%s)\n",
                     ft.LastError().c_str());
        return 1;
    }
    if (!ft.OpenRecFaxDBF()) {
        std::fprintf(stderr, "Unable to open/create the FAX RECEIVE datafile - closing program (%s)\n",
                     ft.LastError().c_str());
        return 1;
    }
    int status = 0;
    if (!ft.OpenCoverDBF()) {
        std::fprintf(stderr, "cannot open or create %s: %s\n", qln::records::kCoverFile, ft.LastError().c_str());
        status = 1;
    }
    if (!ft.OpenPhoneDBF(ft.PhoneTable)) {
        std::fprintf(stderr, "cannot open or create %s: %s\n", qln::records::kPhoneFile, ft.LastError().c_str());
        status = 1;
    }
    if (ft.NeedsIndexRebuild()) {
        const auto problems = ft.RebuildIndexes([](const std::string &text) { std::printf("%s\n", text.c_str()); });
        for (const std::string &line : problems)
            std::fprintf(stderr, "%s\n", line.c_str());
        if (!problems.empty())
            status = 1;
    }
    // The rebuild closes the side tables; open them again to describe them.
    ft.OpenCoverDBF();
    ft.OpenPhoneDBF(ft.PhoneTable);
    describe(ft.FaxTable);
    describe(ft.RecTable);
    describe(ft.CoverTable);
    describe(ft.PhoneTable);
    return status;
}

const QlnCommand reg{"tables", "tables init|repair [--data-dir DIR] [--backup DIR]",
                     "create or open the fax tables and rebuild indexes when incomplete (init); recover the rows "
                     "of damaged tables after a backup (repair)",
                     runTables};

}  // namespace
