// qlnfax rebuild: the index rebuild of Rebuild Indexes. Opens the outgoing
// and received tables (creating them when missing, as the program does),
// removes rows flagged deleted from all four tables and builds every index
// tag anew, printing each progress text. Exits 1, naming the table and the
// reason, when a table could not be packed or indexed, or exists but does
// not open.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include "common/datadir.h"
#include "records/faxtables.h"

namespace {

int runRebuild(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    if (!args.empty())
        throw std::runtime_error("usage: qlnfax rebuild [--data-dir DIR]");
    qln::records::FaxTables tables(qln::dataDirectory());
    if (!tables.OpenFaxDBF()) {
        std::fprintf(stderr, "Unable to open/create the FAX datafile - closing program\n");
        return 1;
    }
    if (!tables.OpenRecFaxDBF()) {
        std::fprintf(stderr, "Unable to open/create the FAX RECEIVE datafile - closing program\n");
        return 1;
    }
    const auto problems = tables.RebuildIndexes([](const std::string &text) {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    });
    for (const std::string &line : problems)
        std::fprintf(stderr, "qlnfax rebuild: %s\n", line.c_str());
    if (!problems.empty())
        return 1;
    if (tables.NeedsIndexRebuild()) {
        std::fprintf(stderr, "qlnfax rebuild: the index tags could not all be built\n");
        return 1;
    }
    return 0;
}

const QlnCommand reg{"rebuild", "rebuild [--data-dir DIR]",
                     "remove deleted rows from the fax tables and rebuild every index", runRebuild};

}  // namespace
