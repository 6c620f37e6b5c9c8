// qlnfax phonebook add|list: adds an entry through the phonebook browser's
// own logic (the same append as its New button), or lists the entries in
// name order, one "NAME<tab>FAX#" line each.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include "common/datadir.h"
#include "compose/phonebooklogic.h"
#include "records/faxtables.h"

namespace {

using namespace qln::compose;

constexpr const char *kUsage =
    "usage: qlnfax phonebook add --name NAME --phone NUMBER [--data-dir DIR]\n"
    "       qlnfax phonebook list [--data-dir DIR]";

int runPhonebook(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    PhoneEntryText entry;
    const bool haveName = qlnargs::takeOption(args, "--name", entry.name);
    const bool havePhone = qlnargs::takeOption(args, "--phone", entry.number);
    if (args.size() != 1 || (args.front() == "add" && (!haveName || !havePhone)) ||
        (args.front() != "add" && args.front() != "list"))
        throw std::runtime_error(kUsage);

    qln::records::FaxTables tables(qln::dataDirectory());
    PhoneBookLogic book(tables);
    if (!book.open()) {
        std::fprintf(stderr, "qlnfax phonebook: cannot open the phonebook table\n");
        return 1;
    }
    if (args.front() == "add") {
        const long recno = book.addEntry(entry);
        if (recno == 0)
            return 1;
        std::printf("%ld\n", recno);
        return 0;
    }
    for (const auto &e : book.entries())
        std::printf("%s\t%s\n", printableText(e.name).c_str(), printableText(e.phone).c_str());
    return 0;
}

const QlnCommand reg{"phonebook", "phonebook add --name NAME --phone NUMBER | list [--data-dir DIR]",
                     "add a phonebook entry or list the phonebook", runPhonebook};

}  // namespace
