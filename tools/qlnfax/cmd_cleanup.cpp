// qlnfax cleanup: the clean-up window's group delete from the command line.
// Deletes the outgoing or received faxes chosen by sent state, a date and a
// text match (every option given must hold), prints the count followed by
// " deleted.", and then rebuilds the indexes when anything was deleted.
// --dry-run only counts. Exits 1 when a received fax's file could not be
// removed (each is named) or the rebuild could not pack or index a table.
#include "commands.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

#include "common/datadir.h"
#include "records/expression.h"
#include "records/faxlogcleanup.h"
#include "records/posixfile.h"

namespace {

using namespace qln::records;

// "YYYY-MM-DD" (or "YYYYMMDD") as "YYYYMMDD"; throws when it is not a date.
std::string dayOf(const std::string &text)
{
    std::string digits;
    for (char c : text)
        if (c != '-')
            digits += c;
    if (digits.size() != 8 || digits.find_first_not_of("0123456789") != std::string::npos ||
        !validDate(std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)), std::stoi(digits.substr(6, 2))))
        throw std::runtime_error("--before wants a date as YYYY-MM-DD, not \"" + text + "\"");
    return digits;
}

MatchField matchFieldOf(const std::string &name, FaxLog log)
{
    std::string upper;
    for (char c : name)
        upper += char(std::toupper(static_cast<unsigned char>(c)));
    if (log == FaxLog::Received && upper == "FROM")
        return MatchField::From;
    if (log == FaxLog::Outgoing && upper == "RECIPIENT")
        return MatchField::Recipient;
    if (log == FaxLog::Outgoing && (upper == "PHONE" || upper == "FAX#"))
        return MatchField::Phone;
    throw std::runtime_error("--match takes FROM=TEXT for received faxes, RECIPIENT=TEXT or PHONE=TEXT for "
                             "outgoing faxes, not \"" + name + "\"");
}

std::string both(const std::string &a, const std::string &b)
{
    if (a.empty())
        return b;
    return b.empty() ? a : "(" + a + ").AND.(" + b + ")";
}

int runCleanup(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir, before, match;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    const bool outgoing = qlnargs::takeFlag(args, "--outgoing");
    const bool received = qlnargs::takeFlag(args, "--received");
    const bool sent = qlnargs::takeFlag(args, "--sent");
    const bool unsent = qlnargs::takeFlag(args, "--unsent");
    const bool hasBefore = qlnargs::takeOption(args, "--before", before);
    const bool hasMatch = qlnargs::takeOption(args, "--match", match);
    const bool exact = qlnargs::takeFlag(args, "--exact");
    const bool dryRun = qlnargs::takeFlag(args, "--dry-run");
    if (!args.empty())
        throw std::runtime_error("unexpected argument \"" + args.front() + "\"");
    if (outgoing == received)
        throw std::runtime_error("give one of --outgoing and --received");
    const FaxLog log = outgoing ? FaxLog::Outgoing : FaxLog::Received;
    if ((sent || unsent) && (received || (sent && unsent)))
        throw std::runtime_error("--sent or --unsent go with --outgoing, one of them");
    if (exact && !hasMatch)
        throw std::runtime_error("--exact goes with --match");
    if (!sent && !unsent && !hasBefore && !hasMatch)
        throw std::runtime_error("choose the faxes: --sent, --unsent, --before or --match");

    std::string condition;
    if (sent)
        condition = kSentCondition;
    if (unsent)
        condition = kNotSentCondition;
    if (hasBefore)
        condition = both(condition, BeforeDateCondition(log, dayOf(before)));
    if (hasMatch) {
        const auto eq = match.find('=');
        if (eq == std::string::npos)
            throw std::runtime_error("--match wants FIELD=TEXT");
        const std::string text = match.substr(eq + 1);
        const std::string matching = MatchCondition(matchFieldOf(match.substr(0, eq), log), text, exact);
        if (matching.empty())
            throw std::runtime_error("--match needs a text that is not blank");
        condition = both(condition, matching);
    }

    FaxTables tables(qln::dataDirectory());
    const char *file = outgoing ? kFaxFile : kRecFile;
    if (!fileExists(tables.PathOf(file))) {
        std::fprintf(stderr, "qlnfax cleanup: no %s in %s\n", file, tables.DataDir().c_str());
        return 1;
    }
    if (!tables.OpenFaxDBF() || !tables.OpenRecFaxDBF()) {
        std::fprintf(stderr, "qlnfax cleanup: cannot open the fax tables in %s\n", tables.DataDir().c_str());
        return 1;
    }
    FaxLogCleanup cleanup(tables);
    cleanup.Begin();
    const CleanupResult result = cleanup.DeleteForCondition(log, condition, hasBefore, dryRun);
    cleanup.End();
    for (const std::string &line : result.fileProblems)
        std::fprintf(stderr, "%s\n", line.c_str());
    if (!result.error.empty()) {
        std::fprintf(stderr, "qlnfax cleanup: %s\n", result.error.c_str());
        return 1;
    }
    if (dryRun) {
        std::printf("%ld to delete (dry run).\n", result.deleted);
        return 0;
    }
    std::printf("%ld deleted.\n", result.deleted);
    std::fflush(stdout);
    int status = result.fileProblems.empty() ? 0 : 1;
    if (cleanup.ChangesMade()) {
        const auto problems = tables.RebuildIndexes([](const std::string &text) {
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        });
        for (const std::string &line : problems)
            std::fprintf(stderr, "qlnfax cleanup: %s\n", line.c_str());
        if (!problems.empty())
            status = 1;
    }
    if (!result.fileProblems.empty())
        std::fprintf(stderr, "qlnfax cleanup: %zu received fax file%s could not be removed\n",
                     result.fileProblems.size(), result.fileProblems.size() == 1 ? "" : "s");
    return status;
}

const QlnCommand reg{"cleanup",
                     "cleanup [--data-dir DIR] (--outgoing|--received) [--sent|--unsent] [--before YYYY-MM-DD] "
                     "[--match FIELD=TEXT [--exact]] [--dry-run]",
                     "delete faxes by state, date or text, then rebuild the indexes", runCleanup};

}  // namespace
