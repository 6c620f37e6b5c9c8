// qlnfax list: prints the rows of one fax table in a tag order, one row per
// line, fields separated by tabs (memo fields left out, dates as YYYYMMDD,
// logical fields as T/F, control bytes escaped). With --all, rows flagged deleted are listed too
// and every line starts with a mark column: "*" for a deleted row, " " for
// the others.
#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <utility>
#include <vector>

#include "common/datadir.h"
#include "records/faxtables.h"
#include "records/sx.h"

namespace {

using namespace qln::records;

std::string fieldText(const std::string &name, char type)
{
    switch (type) {
    case 'D': return sx_GetDateString(name);
    case 'L': return sx_GetLogical(name) ? "T" : "F";
    case 'N': case 'F': {
        std::string s = sx_GetTrimString(name);
        return s.substr(std::min(s.find_first_not_of(' '), s.size()));
    }
    default: return sx_GetTrimString(name);
    }
}

void printRow(bool markColumn)
{
    std::string line;
    if (markColumn)
        line = sx_Deleted() ? "*" : " ";
    bool first = !markColumn;
    for (int i = 1; i <= sx_FieldCount(); ++i) {
        std::string name = sx_FieldName(i);
        char type = sx_FieldType(name);
        if (type == 'M')
            continue;
        std::string v = fieldText(name, type);
        std::replace(v.begin(), v.end(), '\t', ' ');
        line += (first ? "" : "\t") + printableText(v);
        first = false;
    }
    std::printf("%s\n", line.c_str());
}

int runList(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir, tag;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    qlnargs::takeOption(args, "--order", tag);
    const bool all = qlnargs::takeFlag(args, "--all");
    if (args.size() != 1)
        throw std::runtime_error("usage: qlnfax list outgoing|received|covers|phonebook [--data-dir DIR] "
                                 "[--order TAG] [--all]");

    FaxTables ft(qln::dataDirectory());
    const std::string &which = args.front();
    TTable *t = nullptr;
    bool ok = false;
    if (which == "outgoing")
        ok = ft.OpenFaxDBF(), t = &ft.FaxTable;
    else if (which == "received")
        ok = ft.OpenRecFaxDBF(), t = &ft.RecTable;
    else if (which == "covers")
        ok = ft.OpenCoverDBF(), t = &ft.CoverTable;
    else if (which == "phonebook")
        ok = ft.OpenPhoneDBF(ft.PhoneTable), t = &ft.PhoneTable;
    else
        throw std::runtime_error("unknown table \"" + which + "\"");
    if (!ok) {
        std::fprintf(stderr, "qlnfax list: cannot open the %s table: %s\n", which.c_str(), sx_ErrorText().c_str());
        return 1;
    }
    return t->WithArea([&] {
        // Default: the table's first tag.
        int order = tag.empty() ? (sx_TagCount() > 0 ? 1 : 0) : sx_TagArea(tag);
        if (!tag.empty() && order == 0) {
            std::fprintf(stderr, "qlnfax list: no tag \"%s\"\n", tag.c_str());
            return 2;
        }
        if (!all) {
            sx_SetOrder(order);
            for (sx_GoTop(); !sx_Eof(); sx_Skip(1))
                printRow(false);
            return 0;
        }
        // Flagged rows have no key in the tags, so order every row by the
        // tag's key expression here.
        sx_SetDeleted(false);
        sx_Query("");
        sx_SetOrder(0);
        std::vector<std::pair<std::string, long>> rows;
        const std::string key = order ? sx_TagExpression(order) : std::string();
        for (sx_GoTop(); !sx_Eof(); sx_Skip(1)) {
            std::string k;
            if (!key.empty())
                sx_EvalString(key, k);
            rows.emplace_back(k, sx_RecNo());
        }
        std::stable_sort(rows.begin(), rows.end());
        if (order && sx_TagDescending(order))
            std::reverse(rows.begin(), rows.end());
        for (const auto &r : rows) {
            sx_Go(r.second);
            printRow(true);
        }
        return 0;
    });
}

const QlnCommand reg{"list", "list outgoing|received|covers|phonebook [--data-dir DIR] [--order TAG] [--all]",
                     "print the rows of a fax table in tag order", runList};

}  // namespace
