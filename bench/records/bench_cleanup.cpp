// Benchmark: the fax log clean-up beside SQLite on the same rows. The
// outgoing fax table holds ROWS faxes (2 KB RTF memo each, a tenth never
// sent) with the full index set; the clean-up deletes every sent fax dated
// before 2020-01-01 (about half) and the index rebuild packs them away.
// SQLite does DELETE of the same rows, VACUUM and REINDEX of four indexes.
// Both sides are checked to keep the same rows.
// Usage: bench_cleanup [ROWS] [DIR]
#include "records/faxlogcleanup.h"
#include "records/sx.h"

#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace qln::records;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char *kCutoff = "20200101";

double cpuMs()
{
    rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

struct Time {
    double wall = 0, cpu = 0;
};

Time ms(const std::function<void()> &f)
{
    const double c0 = cpuMs();
    const auto t0 = Clock::now();
    f();
    return {std::chrono::duration<double, std::milli>(Clock::now() - t0).count(), cpuMs() - c0};
}

void die(const char *what)
{
    std::fprintf(stderr, "bench_cleanup: %s failed: %s\n", what, sx_ErrorText().c_str());
    std::exit(1);
}

void sq(sqlite3 *db, const char *sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s: %s\n", sql, err ? err : "?");
        std::exit(1);
    }
}

long sqCount(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *st = nullptr;
    long n = -1;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW)
        n = long(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    return n;
}

struct Row {
    std::string subject, date, time, recipient, phone, memo;
};

Row makeRow(long i)
{
    Row r;
    const unsigned h = unsigned(i) * 2654435761u;
    r.subject = "Subject " + std::to_string(h % 100000) + " about order " + std::to_string(i);
    char d[16], t[8];
    std::snprintf(d, sizeof d, "%04u%02u%02u", 2015 + h % 10, 1 + (h >> 4) % 12, 1 + (h >> 8) % 28);
    std::snprintf(t, sizeof t, "%02u:%02u", (h >> 12) % 24, (h >> 16) % 60);
    if (i % 10 != 3) {   // every tenth fax was never sent: no date, no time
        r.date = d;
        r.time = t;
    }
    r.recipient = "Recipient " + std::to_string((h >> 3) % 5000);
    r.phone = "+1 555 " + std::to_string(1000 + h % 9000);
    r.memo = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Fax " + std::to_string(i) + "\\par ";
    while (r.memo.size() < 2040)
        r.memo += "Lorem ipsum dolor sit amet, consectetur adipiscing elit.\\par ";
    r.memo.resize(2047);
    r.memo += "}";
    return r;
}

void report(const char *what, Time ours, Time theirs)
{
    std::printf("%-30s quillon %8.1f ms (cpu %8.1f)   sqlite %8.1f ms (cpu %8.1f)   ratio %5.2f\n", what, ours.wall,
                ours.cpu, theirs.wall, theirs.cpu, theirs.wall > 0 ? ours.wall / theirs.wall : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
    const std::string dir =
        argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "qln_bench_cleanup").string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::printf("%ld outgoing faxes with a 2 KB memo each; delete those sent before %s, then rebuild (%s)\n",
                rows, kCutoff, dir.c_str());

    // ---- Quillon: fill, full index set, then the measured clean-up -------
    long qDeleted = 0, qLeft = 0;
    Time qDelete, qRebuild;
    {
        FaxTables tables(dir);
        if (!tables.OpenFaxDBF() || !tables.OpenRecFaxDBF())
            die("open");
        TTable &t = tables.FaxTable;
        t.WithArea([&] {
            for (long i = 0; i < rows; ++i) {
                const Row r = makeRow(i);
                if (!sx_AppendBlank() || !sx_Replace("SUBJECT", R_CHAR, r.subject) ||
                    !sx_Replace("SENT", R_LOGICAL, r.date.empty() ? "F" : "T") ||
                    !sx_Replace("DATESENT", R_DATESTR, r.date) || !sx_Replace("TIMESENT", R_CHAR, r.time) ||
                    !sx_Replace("RECIPIENT", R_CHAR, r.recipient) || !sx_Replace("PHONE", R_CHAR, r.phone) ||
                    !sx_Replace("PAGES", R_INTEGER, "3") || !sx_Replace("LASTRESULT", R_CHAR, "OK") ||
                    !sx_Replace("RTFDOC", R_MEMO, r.memo))
                    die("append");
            }
            if (!sx_Commit())
                die("commit");
            return 0;
        });
        tables.RebuildIndexes(nullptr);   // the full tag set a running program has

        FaxLogCleanup cleanup(tables);
        cleanup.Begin();
        qDelete = ms([&] {
            const CleanupResult r = cleanup.DeleteForCondition(
                FaxLog::Outgoing, BeforeDateCondition(FaxLog::Outgoing, kCutoff), true);
            if (!r.error.empty()) {
                std::fprintf(stderr, "bench_cleanup: %s\n", r.error.c_str());
                std::exit(1);
            }
            qDeleted = r.deleted;
        });
        cleanup.End();
        qRebuild = ms([&] { tables.RebuildIndexes(nullptr); });
        qLeft = t.RecordCount();
    }

    // ---- SQLite: the same rows, four indexes ------------------------------
    const std::string dbPath = dir + "/fax.sqlite";
    sqlite3 *db = nullptr;
    sqlite3_open(dbPath.c_str(), &db);
    sq(db, "CREATE TABLE fax(subject TEXT, sent INTEGER, datesent TEXT, timesent TEXT, recipient TEXT,"
           " phone TEXT, pages INTEGER, lastresult TEXT, rtfcover TEXT, rtfdoc TEXT)");
    sq(db, "BEGIN");
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO fax VALUES(?,?,?,?,?,?,3,'OK','',?)", -1, &st, nullptr);
    for (long i = 0; i < rows; ++i) {
        const Row r = makeRow(i);
        sqlite3_bind_text(st, 1, r.subject.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, r.date.empty() ? 0 : 1);
        sqlite3_bind_text(st, 3, r.date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, r.time.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, r.recipient.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 6, r.phone.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 7, r.memo.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) != SQLITE_DONE)
            std::exit(1);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sq(db, "COMMIT");
    sq(db, "CREATE INDEX datesent ON fax(datesent DESC)");
    sq(db, "CREATE INDEX datend ON fax(datesent||timesent)");
    sq(db, "CREATE INDEX subject ON fax(upper(subject))");
    sq(db, "CREATE INDEX recipient ON fax(upper(recipient))");
    long sDeleted = 0;
    const Time sDelete = ms([&] {
        sq(db, "DELETE FROM fax WHERE datesent <> '' AND datesent < '20200101'");
        sDeleted = sqlite3_changes(db);
    });
    const Time sRebuild = ms([&] {
        sq(db, "VACUUM");
        sq(db, "REINDEX");
    });
    const long sLeft = sqCount(db, "SELECT count(*) FROM fax");
    sqlite3_close(db);

    report("delete before a date", qDelete, sDelete);
    report("rebuild (pack+tags / VACUUM+REINDEX)", qRebuild, sRebuild);
    const Time qTotal{qDelete.wall + qRebuild.wall, qDelete.cpu + qRebuild.cpu};
    const Time sTotal{sDelete.wall + sRebuild.wall, sDelete.cpu + sRebuild.cpu};
    report("clean-up and rebuild", qTotal, sTotal);
    // The machine may be shared: the CPU figures show the work itself, the
    // wall figures what the user waited.
    std::printf("target under 2000 ms and within 2x of sqlite: wall %s, cpu %s\n",
                qTotal.wall < 2000 && qTotal.wall <= 2 * sTotal.wall ? "met" : "NOT met",
                qTotal.cpu < 2000 && qTotal.cpu <= 2 * sTotal.cpu ? "met" : "NOT met");
    std::printf("deleted: quillon %ld, sqlite %ld; rows left: %ld / %ld\n", qDeleted, sDeleted, qLeft, sLeft);
    std::filesystem::remove_all(dir);
    return (qDeleted == sDeleted && qLeft == sLeft && qLeft == rows - qDeleted) ? 0 : 1;
}
