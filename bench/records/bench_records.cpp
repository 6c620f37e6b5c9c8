// Benchmark: the table engine beside SQLite doing the same work on the
// outgoing fax table: 100,000 rows with a 2 KB RTF memo each.
//   1. bulk append (one commit / one transaction)
//   2. full index build, 4 tags / 4 indexes
//   3. open + count of rows not deleted
//   4. ordered walk by DATESENT reading SUBJECT
// Usage: bench_records [ROWS] [DIR]
#include "records/faxtables.h"
#include "records/sx.h"

#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using namespace qln::records;
using Clock = std::chrono::steady_clock;

namespace {

double cpuMs()
{
    rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

// Wall and CPU time of one run. The machine may be shared, so both are
// printed; repeatable steps take the best of several runs.
struct Time {
    double wall = 0, cpu = 0;
};

Time ms(const std::function<void()> &f)
{
    double c0 = cpuMs();
    auto t0 = Clock::now();
    f();
    return {std::chrono::duration<double, std::milli>(Clock::now() - t0).count(), cpuMs() - c0};
}

Time best(int runs, const std::function<void()> &f, const std::function<void()> &before = {})
{
    Time b{1e300, 1e300};
    for (int i = 0; i < runs; ++i) {
        if (before)
            before();
        Time t = ms(f);
        b.wall = std::min(b.wall, t.wall);
        b.cpu = std::min(b.cpu, t.cpu);
    }
    return b;
}

void report(const char *what, Time ours, Time theirs, const char *target = "")
{
    std::printf("%-26s quillon %8.1f ms (cpu %8.1f)   sqlite %8.1f ms (cpu %8.1f)   ratio %5.2f %s\n", what,
                ours.wall, ours.cpu, theirs.wall, theirs.cpu, theirs.wall > 0 ? ours.wall / theirs.wall : 0.0,
                target);
}

void die(const char *what)
{
    std::fprintf(stderr, "bench_records: %s failed: %s\n", what, sx_ErrorText().c_str());
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

struct Row {
    std::string subject, date, time, recipient, phone, result, memo;
};

Row makeRow(long i)
{
    Row r;
    unsigned h = unsigned(i) * 2654435761u;
    r.subject = "Subject " + std::to_string(h % 100000) + " about order " + std::to_string(i);
    char d[16], t[8];
    std::snprintf(d, sizeof d, "%04u%02u%02u", 2015 + h % 10, 1 + (h >> 4) % 12, 1 + (h >> 8) % 28);
    std::snprintf(t, sizeof t, "%02u:%02u", (h >> 12) % 24, (h >> 16) % 60);
    r.date = d;
    r.time = t;
    r.recipient = "Recipient " + std::to_string((h >> 3) % 5000);
    r.phone = "+1 555 " + std::to_string(1000 + h % 9000);
    r.result = "OK";
    r.memo = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Fax " + std::to_string(i) + "\\par ";
    while (r.memo.size() < 2040)
        r.memo += "Lorem ipsum dolor sit amet, consectetur adipiscing elit.\\par ";
    r.memo.resize(2047);
    r.memo += "}";
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
    std::string dir = argc > 2 ? argv[2] : (std::filesystem::temp_directory_path() / "qln_bench_records").string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::printf("%ld outgoing fax rows with a 2 KB memo each, in %s\n", rows, dir.c_str());

    // ---- Quillon ---------------------------------------------------------
    sx_SetDeleted(true);
    FaxTables tables(dir);
    if (!tables.MakeFaxDBF())
        die("create");
    const std::string dbf = dir + "/QLN.DBF";
    if (!sx_Use(dbf, "FAX", EXCLUSIVE, SDEFOX))
        die("open");
    Time qAppend = ms([&] {
        for (long i = 0; i < rows; ++i) {
            Row r = makeRow(i);
            if (!sx_AppendBlank() || !sx_Replace("SUBJECT", R_CHAR, r.subject) ||
                !sx_Replace("SENT", R_LOGICAL, "T") || !sx_Replace("DATESENT", R_DATESTR, r.date) ||
                !sx_Replace("TIMESENT", R_CHAR, r.time) || !sx_Replace("RECIPIENT", R_CHAR, r.recipient) ||
                !sx_Replace("PHONE", R_CHAR, r.phone) || !sx_Replace("PAGES", R_INTEGER, "3") ||
                !sx_Replace("LASTRESULT", R_CHAR, r.result) || !sx_Replace("RTFDOC", R_MEMO, r.memo))
                die("append");
        }
        if (!sx_Commit())
            die("commit");
    });
    Time qIndex = best(3, [&] {
        const char *cond = ".not. deleted()";
        if (!sx_IndexTag("", "DATESENT", "datesent", 0, true, cond) ||
            !sx_IndexTag("", "DATEND", "DTOS(DATESENT)+TIMESENT", 0, false, cond) ||
            !sx_IndexTag("", "SUBJECT", "UPPER(SUBJECT)", 0, false, cond) ||
            !sx_IndexTag("", "RECIPIENT", "UPPER(RECIPIENT)", 0, false, cond))
            die("index");
    });
    sx_Close();
    long qCount = 0;
    Time qOpen = best(5, [&] {
        if (!sx_Use(dbf, "FAX", EXCLUSIVE, SDEFOX) || !sx_Query(".not. deleted()"))
            die("reopen");
        qCount = sx_QueryRecCount();
    }, [] { sx_CloseAll(); });
    long qWalked = 0;
    size_t qBytes = 0;
    Time qWalk = best(3, [&] {
        qWalked = 0;
        qBytes = 0;
        sx_SetOrder(sx_TagArea("DATESENT"));
        for (sx_GoTop(); !sx_Eof(); sx_Skip(1)) {
            qBytes += sx_GetTrimString("SUBJECT").size();
            ++qWalked;
        }
    });
    sx_CloseAll();

    // ---- SQLite ----------------------------------------------------------
    const std::string dbPath = dir + "/fax.sqlite";
    sqlite3 *db = nullptr;
    sqlite3_open(dbPath.c_str(), &db);
    sq(db, "CREATE TABLE fax(subject TEXT, sent INTEGER, datesent TEXT, timesent TEXT, recipient TEXT,"
           " phone TEXT, pages INTEGER, lastresult TEXT, rtfcover TEXT, rtfdoc TEXT, deleted INTEGER)");
    Time sAppend = ms([&] {
        sq(db, "BEGIN");
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO fax VALUES(?,1,?,?,?,?,3,?,'',?,0)", -1, &st, nullptr);
        for (long i = 0; i < rows; ++i) {
            Row r = makeRow(i);
            sqlite3_bind_text(st, 1, r.subject.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, r.date.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, r.time.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 4, r.recipient.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 5, r.phone.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 6, r.result.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 7, r.memo.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(st) != SQLITE_DONE)
                std::exit(1);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sq(db, "COMMIT");
    });
    Time sIndex = best(3, [&] {
        sq(db, "DROP INDEX IF EXISTS datesent");
        sq(db, "DROP INDEX IF EXISTS datend");
        sq(db, "DROP INDEX IF EXISTS subject");
        sq(db, "DROP INDEX IF EXISTS recipient");
        sq(db, "CREATE INDEX datesent ON fax(datesent DESC) WHERE deleted=0");
        sq(db, "CREATE INDEX datend ON fax(datesent||timesent) WHERE deleted=0");
        sq(db, "CREATE INDEX subject ON fax(upper(subject)) WHERE deleted=0");
        sq(db, "CREATE INDEX recipient ON fax(upper(recipient)) WHERE deleted=0");
    });
    sqlite3_close(db);
    long sCount = 0;
    db = nullptr;
    Time sOpen = best(5, [&] {
        sqlite3_open(dbPath.c_str(), &db);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM fax WHERE deleted=0", -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW)
            sCount = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
    }, [&] {
        if (db)
            sqlite3_close(db);
        db = nullptr;
    });
    long sWalked = 0;
    size_t sBytes = 0;
    Time sWalk = best(3, [&] {
        sWalked = 0;
        sBytes = 0;
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT subject FROM fax WHERE deleted=0 ORDER BY datesent DESC", -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            sBytes += size_t(sqlite3_column_bytes(st, 0));
            ++sWalked;
        }
        sqlite3_finalize(st);
    });
    sqlite3_close(db);

    report("bulk append", qAppend, sAppend);
    report("index build (4 tags)", qIndex, sIndex, "(target < 1000 ms)");
    report("open + count", qOpen, sOpen, "(target < 50 ms)");
    report("ordered walk by DATESENT", qWalk, sWalk);
    std::printf("rows counted: quillon %ld, sqlite %ld; walked: %ld / %ld; subject bytes %zu / %zu\n", qCount,
                sCount, qWalked, sWalked, qBytes, sBytes);
    std::filesystem::remove_all(dir);
    return (qCount == rows && qWalked == rows && sCount == rows && sWalked == rows) ? 0 : 1;
}
