// The fax table binding: creating and opening the four tables, first tags,
// deleted rows, reopening, date texts, memo transfer and the index rebuild.
#include "records/faxtables.h"

#include "records/sx.h"
#include "tempdir.h"

#include <filesystem>
#include <map>
#include <stdexcept>

namespace qln::records::test {
namespace {

class FaxTablesTest : public TempDirTest {
protected:
    void TearDown() override
    {
        tables.reset();
        TempDirTest::TearDown();
    }
    FaxTables &make()
    {
        tables = std::make_unique<FaxTables>(dir);
        return *tables;
    }
    void addFax(TTable &t, const std::string &subject, const std::string &date, const std::string &time,
                bool sent = true)
    {
        t.Append();
        t.SetString("SUBJECT", subject);
        t.SetLogical("SENT", sent);
        t.SetDate("DATESENT", date);
        t.SetString("TIMESENT", time);
        t.SetString("RECIPIENT", "to " + subject);
        t.SetNumber("PAGES", 3);
        t.Post();
    }
    std::vector<std::string> subjects(TTable &t)
    {
        std::vector<std::string> out;
        for (long i = 0; i < t.VisibleCount(); ++i)
            out.push_back(outgoingAt(t, i).subject);
        return out;
    }
    std::unique_ptr<FaxTables> tables;
};

TEST_F(FaxTablesTest, EmptyDataDirectoryGetsAllFourTables)
{
    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    ASSERT_TRUE(ft.OpenRecFaxDBF());
    ASSERT_TRUE(ft.OpenCoverDBF());
    ASSERT_TRUE(ft.OpenPhoneDBF(ft.PhoneTable));
    for (const char *f : {"QLN.DBF", "QLN.FPT", "QLN.CDX", "QLNREC.DBF", "QLNREC.CDX", "QLNCOV.DBF",
                          "QLNCOV.FPT", "QLNCOV.CDX", "QLNPB.DBF", "QLNPB.CDX"})
        EXPECT_TRUE(fileExists(path(f))) << f;
    EXPECT_FALSE(fileExists(path("QLNREC.FPT")));
    // Fields in the listed order with their types and widths.
    ft.FaxTable.WithArea([] {
        std::vector<std::string> names;
        for (int i = 1; i <= sx_FieldCount(); ++i)
            names.push_back(sx_FieldName(i));
        EXPECT_EQ(names, (std::vector<std::string>{"SUBJECT", "SENT", "DATESENT", "TIMESENT", "RECIPIENT",
                                                   "PHONE", "PAGES", "LASTRESULT", "RTFCOVER", "RTFDOC"}));
        EXPECT_EQ(sx_FieldWidth("LASTRESULT"), 100);
        EXPECT_EQ(sx_FieldType("RTFDOC"), 'M');
        return 0;
    });
    ft.RecTable.WithArea([] {
        EXPECT_EQ(sx_FieldName(3), "FROM");
        EXPECT_EQ(sx_FieldWidth("NOTES"), 60);
        return 0;
    });
    // First tags only; the full set is missing, so a rebuild is due.
    EXPECT_GT(ft.FaxTable.TagArea("DATESENT"), 0);
    EXPECT_GT(ft.RecTable.TagArea("DATETIME"), 0);
    EXPECT_GT(ft.CoverTable.TagArea("DESCRIPT"), 0);
    EXPECT_GT(ft.PhoneTable.TagArea("NAME"), 0);
    EXPECT_TRUE(ft.NeedsIndexRebuild());
    EXPECT_EQ(ft.FaxTable.Query(), ".not. deleted()");
    EXPECT_TRUE(ft.FaxTable.IsEmptyList());
    EXPECT_EQ(ft.FaxTable.RecNo(), 1);
    ft.RebuildIndexes(nullptr);
    EXPECT_FALSE(ft.NeedsIndexRebuild());
}

TEST_F(FaxTablesTest, FieldTypeMapping)
{
    EXPECT_EQ(fieldKindFor('C', 50, 0), FieldKind::Text);
    EXPECT_EQ(fieldKindFor('N', 2, 0), FieldKind::SmallInt);
    EXPECT_EQ(fieldKindFor('N', 4, 0), FieldKind::SmallInt);
    EXPECT_EQ(fieldKindFor('N', 5, 0), FieldKind::Float);
    EXPECT_EQ(fieldKindFor('N', 3, 1), FieldKind::Float);
    EXPECT_EQ(fieldKindFor('M', 10, 0), FieldKind::Memo);
    try {
        fieldKindFor('F', 10, 2);
        FAIL() << "F accepted";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "Invalid Field Type F");
    }
    // A table with such a field does not open through the binding.
    sx_CreateNew(path("QLNPB.DBF"), "X", SDEFOX, 2);
    sx_CreateField("NAME", "C", 35, 0);
    sx_CreateField("RATE", "F", 10, 2);
    ASSERT_TRUE(sx_CreateExec());
    auto &ft = make();
    EXPECT_FALSE(ft.OpenPhoneDBF(ft.PhoneTable));
    // The caller learns why.
    EXPECT_NE(ft.LastError().find("Invalid Field Type F"), std::string::npos) << ft.LastError();
    try {
        fieldKindFor('\x01', 1, 0);
        FAIL() << "control byte accepted";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "Invalid Field Type \\x01");
    }
}

// A received-fax table whose header counts 3 of its 5 rows, its index file
// gone: the start-up rebuild would pack it to 3 rows. It is reported and
// left exactly as it is.
TEST_F(FaxTablesTest, TableWhoseHeaderCountsFewerRowsIsReportedAndNeverPacked)
{
    {
        auto &ft = make();
        ASSERT_TRUE(ft.OpenFaxDBF());
        ASSERT_TRUE(ft.OpenRecFaxDBF());
        for (int i = 0; i < 5; ++i) {
            ft.RecTable.Append();
            ft.RecTable.SetDate("DATEREC", "2025010" + std::to_string(i + 1));
            ft.RecTable.SetString("FROM", "station " + std::to_string(i));
            ft.RecTable.Post();
        }
        ft.RebuildIndexes(nullptr);
        ft.CloseAll();
        tables.reset();
    }
    std::string dbf = readFile(path("QLNREC.DBF"));
    dbf[4] = 3;
    writeFile(path("QLNREC.DBF"), dbf);
    ASSERT_EQ(::unlink(path("QLNREC.CDX").c_str()), 0);
    std::map<std::string, std::string> before;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        before[e.path().filename().string()] = readFile(e.path().string());

    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    EXPECT_FALSE(ft.OpenRecFaxDBF());
    EXPECT_NE(ft.LastError().find("damaged"), std::string::npos) << ft.LastError();
    ASSERT_EQ(ft.DamagedTables().size(), 1u);
    EXPECT_NE(ft.DamagedTables()[0].find("QLNREC.DBF is damaged: its header counts 3 rows but the file holds 5"),
              std::string::npos)
        << ft.DamagedTables()[0];
    if (ft.NeedsIndexRebuild())
        ft.RebuildIndexes(nullptr);
    ft.CloseAll();
    std::map<std::string, std::string> after;
    for (const auto &e : std::filesystem::directory_iterator(dir))
        after[e.path().filename().string()] = readFile(e.path().string());
    EXPECT_EQ(after.count("QLNREC.CDX"), 0u);
    EXPECT_TRUE(after == before);

    // Repaired after a backup, every row is back and the table opens.
    const auto lines = ft.RepairTables(path("backup"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("QLNREC.DBF: the header counted 3 rows, it now counts the 5 rows"), std::string::npos)
        << lines[0];
    EXPECT_EQ(readFile(path("backup/QLNREC.DBF")), dbf);
    EXPECT_TRUE(ft.DamagedTables().empty());
    ASSERT_TRUE(ft.OpenRecFaxDBF()) << ft.LastError();
    EXPECT_EQ(ft.RecTable.RecordCount(), 5);
    EXPECT_EQ(ft.RecTable.VisibleCount(), 5);
    EXPECT_TRUE(ft.RepairTables(path("backup2")).empty()); // nothing left to repair
    EXPECT_FALSE(fileExists(path("backup2")));
}

TEST_F(FaxTablesTest, IndexFileDeletedByHandComesBack)
{
    {
        auto &ft = make();
        ASSERT_TRUE(ft.OpenFaxDBF());
        addFax(ft.FaxTable, "b", "20250102", "10:00");
        addFax(ft.FaxTable, "a", "20250103", "09:00");
        ft.CloseAll();
    }
    ASSERT_EQ(::unlink(path("QLN.CDX").c_str()), 0);
    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    EXPECT_TRUE(fileExists(path("QLN.CDX")));
    EXPECT_GT(ft.FaxTable.TagArea("DATESENT"), 0);
    EXPECT_EQ(subjects(ft.FaxTable), (std::vector<std::string>{"a", "b"}));
}

TEST_F(FaxTablesTest, UnreadableIndexFileGetsTheFirstTagBack)
{
    {
        auto &ft = make();
        ASSERT_TRUE(ft.OpenRecFaxDBF());
        for (const char *t : {"10:00", "12:00", "11:00"}) {
            ft.RecTable.Append();
            ft.RecTable.SetDate("DATEREC", "20250101");
            ft.RecTable.SetString("TIMEREC", t);
            ft.RecTable.Post();
        }
        ft.CloseAll();
    }
    writeFile(path("QLNREC.CDX"), std::string(3000, '\x5a'));
    auto &ft = make();
    ASSERT_TRUE(ft.OpenRecFaxDBF());
    EXPECT_GT(ft.RecTable.TagArea("DATETIME"), 0);
    std::vector<std::string> times;
    for (long i = 0; i < ft.RecTable.VisibleCount(); ++i)
        times.push_back(receivedAt(ft.RecTable, i).timeRec);
    EXPECT_EQ(times, (std::vector<std::string>{"12:00", "11:00", "10:00"}));
    EXPECT_NE(readFile(path("QLNREC.CDX")), std::string(3000, '\x5a'));
}

TEST_F(FaxTablesTest, DeletedRowsAreNotCountedListedOrVisited)
{
    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    addFax(ft.FaxTable, "one", "20250101", "08:00");
    addFax(ft.FaxTable, "two", "20250102", "08:00");
    addFax(ft.FaxTable, "three", "20250103", "08:00");
    ASSERT_EQ(ft.FaxTable.QueryRecCount(), 3);
    ft.FaxTable.First();
    ft.FaxTable.Next();
    EXPECT_EQ(readOutgoing(ft.FaxTable).subject, "two");
    EXPECT_EQ(ft.FaxTable.ISDELETED(false), "No ");
    ASSERT_TRUE(ft.FaxTable.Delete());
    EXPECT_EQ(readOutgoing(ft.FaxTable).subject, "two");   // still current, flagged
    EXPECT_TRUE(ft.FaxTable.IsDeleted());
    ft.FaxTable.Next();
    EXPECT_EQ(readOutgoing(ft.FaxTable).subject, "one");   // the next row in order
    EXPECT_EQ(ft.FaxTable.QueryRecCount(), 2);
    EXPECT_EQ(subjects(ft.FaxTable), (std::vector<std::string>{"three", "one"}));
    std::vector<std::string> visited;
    for (ft.FaxTable.First(); !ft.FaxTable.Eof(); ft.FaxTable.Next())
        visited.push_back(readOutgoing(ft.FaxTable).subject);
    EXPECT_EQ(visited, (std::vector<std::string>{"three", "one"}));
    EXPECT_EQ(ft.FaxTable.RecordCount(), 3);   // still in the file
    ft.FaxTable.GoTo(2);
    EXPECT_EQ(ft.FaxTable.ISDELETED(true), "Yes");
    EXPECT_EQ(ft.FaxTable.ISDELETED(false), "Yes");
    // The rebuild removes it and keeps the order.
    ft.RebuildIndexes(nullptr);
    EXPECT_EQ(ft.FaxTable.RecordCount(), 2);
    EXPECT_EQ(subjects(ft.FaxTable), (std::vector<std::string>{"three", "one"}));
    EXPECT_EQ(ft.FaxTable.IndexOrd(), ft.FaxTable.TagArea("DATESENT"));
}

TEST_F(FaxTablesTest, RebuildTextsTagsAndClosedSideTables)
{
    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    ASSERT_TRUE(ft.OpenRecFaxDBF());
    ASSERT_TRUE(ft.OpenCoverDBF());
    std::vector<std::string> texts;
    ft.RebuildIndexes([&](const std::string &t) { texts.push_back(t); });
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Removing FAX file records marked for deletion", "Rebuilding FAX file indexes",
                         "Removing Received FAX records marked for deletion", "Rebuilding Received FAX indexes",
                         "Removing PHONE file records marked for deletion", "Rebuilding PHONE file indexes",
                         "Removing COVER file records marked for deletion", "Rebuilding COVER file indexes"}));
    for (const char *tag : {"DATESENT", "DATEND", "SUBJECT", "RECIPIENT"})
        EXPECT_GT(ft.FaxTable.TagArea(tag), 0) << tag;
    for (const char *tag : {"DATETIME", "DATEND", "FROM"})
        EXPECT_GT(ft.RecTable.TagArea(tag), 0) << tag;
    EXPECT_EQ(ft.RecTable.IndexOrd(), ft.RecTable.TagArea("DATETIME"));
    EXPECT_FALSE(ft.PhoneTable.Active());
    EXPECT_FALSE(ft.CoverTable.Active());
    // A cover table that cannot be opened stops the rebuild after the others.
    std::string cov = readFile(path("QLNCOV.DBF"));
    writeFile(path("QLNCOV.DBF"), "garbage");
    texts.clear();
    ft.RebuildIndexes([&](const std::string &t) { texts.push_back(t); });
    EXPECT_EQ(texts.size(), 6u);
    EXPECT_EQ(readFile(path("QLNCOV.DBF")), "garbage");
}

TEST_F(FaxTablesTest, ReopenStaysOnTheSameRow)
{
    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    addFax(ft.FaxTable, "x", "20250101", "08:00");
    addFax(ft.FaxTable, "y", "20250105", "08:00");
    addFax(ft.FaxTable, "z", "20250103", "08:00");
    ft.FaxTable.GoTo(3);
    ASSERT_TRUE(ft.FaxTableCloseAndOpen());
    EXPECT_EQ(ft.FaxTable.RecNo(), 3);
    EXPECT_EQ(readOutgoing(ft.FaxTable).subject, "z");
    EXPECT_EQ(ft.FaxTable.Query(), ".not. deleted()");
    ft.FaxTable.Next();
    EXPECT_EQ(readOutgoing(ft.FaxTable).subject, "x");   // index order after the reopen
    ASSERT_TRUE(ft.OpenRecFaxDBF());
    EXPECT_TRUE(ft.RecTableCloseAndOpen());
    EXPECT_TRUE(ft.RecTable.IsEmptyList());
}

TEST_F(FaxTablesTest, DateAndTimeTexts)
{
    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    ASSERT_TRUE(ft.OpenRecFaxDBF());
    DateTimeFormat fmt;
    fmt.shortDate = [](int y, int m, int d) { return std::to_string(d) + "." + std::to_string(m) + "." + std::to_string(y); };
    fmt.shortTime = [](int h, int m) { return std::to_string(h) + "h" + std::to_string(m); };
    addFax(ft.FaxTable, "never", "", "", false);
    EXPECT_EQ(ft.FaxTable.SentYesNo(), "No ");
    EXPECT_EQ(readOutgoing(ft.FaxTable).dateSent, "");
    EXPECT_EQ(readOutgoing(ft.FaxTable).timeSent, "");
    EXPECT_EQ(ft.GetDatetimeAsString(true, fmt), "not sent");
    addFax(ft.FaxTable, "sent", "20250307", "14:05");
    EXPECT_EQ(ft.FaxTable.SentYesNo(), "Yes");
    EXPECT_EQ(ft.GetDatetimeAsString(true, fmt), "7.3.2025 at 14h5");
    addFax(ft.FaxTable, "odd", "", "2x:99");
    EXPECT_EQ(ft.GetDatetimeAsString(true, fmt), "unknown at 2x:99");
    ft.RecTable.Append();
    ft.RecTable.SetDate("DATEREC", "20241231");
    ft.RecTable.SetString("TIMEREC", "23:59");
    ft.RecTable.SetString("FROM", "+1 555 0100");
    ft.RecTable.Post();
    EXPECT_EQ(ft.GetDatetimeAsString(false, fmt), "31.12.2024 at 23h59");
    EXPECT_EQ(ft.GetDatetimeAsString(false, {}), "2024-12-31 at 23:59");
}

// A save that fails after the new row was written for its first memo (a
// full disk): cancelling takes the row back and the transfer file goes.
TEST_F(FaxTablesTest, FailedSaveOfANewRowLeavesNoRowBehind)
{
    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    TTable &t = ft.FaxTable;
    t.Append();
    t.SetString("SUBJECT", "kept");
    t.Post();
    const auto saveText = [&](const std::string &p) {
        writeFile(p, "{\\rtf1 cover}");
        return true;
    };
    t.Append();
    t.SetString("SUBJECT", "half saved");
    ASSERT_TRUE(ft.SaveRichText(t, "RTFCOVER", saveText));
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_FALSE(ft.SaveRichText(t, "RTFDOC", [](const std::string &) { return false; }));
    EXPECT_FALSE(fileExists(path("Eraseme.rtf")));
    t.Cancel();
    EXPECT_EQ(t.RecordCount(), 1);
    ASSERT_TRUE(ft.FaxTableCloseAndOpen());
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.QueryRecCount(), 1);
    t.First();
    EXPECT_EQ(readOutgoing(t).subject, "kept");
    // The table goes on: the next row takes the freed place.
    t.Append();
    t.SetString("SUBJECT", "next");
    ASSERT_TRUE(ft.SaveRichText(t, "RTFCOVER", saveText));
    t.Post();
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.QueryRecCount(), 2);
}

TEST_F(FaxTablesTest, MemoSaveWhileAppendingPostsTheRowFirst)
{
    auto &ft = make();
    ASSERT_TRUE(ft.OpenFaxDBF());
    TTable &t = ft.FaxTable;
    t.Append();
    t.SetString("SUBJECT", "with memo");
    EXPECT_EQ(t.RecordCount(), 0);
    const std::string rtf = "{\\rtf1\\ansi hello}";
    std::string seenPath;
    ASSERT_TRUE(ft.SaveRichText(t, "RTFCOVER", [&](const std::string &p) {
        seenPath = p;
        writeFile(p, rtf);
        return true;
    }));
    EXPECT_EQ(seenPath, path("Eraseme.rtf"));
    EXPECT_TRUE(fileExists(path("Eraseme.rtf")));   // save leaves the file
    EXPECT_EQ(t.RecordCount(), 1);                  // the row was written first
    EXPECT_EQ(t.GetState(), TTable::State::Edit);   // and editing goes on
    t.SetString("RECIPIENT", "later");
    t.Post();
    EXPECT_EQ(t.RecordCount(), 1);
    ASSERT_TRUE(ft.FaxTableCloseAndOpen());
    t.First();
    EXPECT_EQ(readOutgoing(t).recipient, "later");
    EXPECT_EQ(readOutgoing(t).subject, "with memo");
    std::string loaded;
    ASSERT_TRUE(ft.LoadRichText(t, "RTFCOVER", [&](const std::string &p) {
        loaded = readFile(p);
        return true;
    }));
    EXPECT_EQ(loaded, rtf);
    EXPECT_FALSE(fileExists(path("Eraseme.rtf")));   // load deletes it
    // An empty memo loads as an empty text; a pending new row has none.
    ASSERT_TRUE(ft.LoadRichText(t, "RTFDOC", [&](const std::string &p) {
        loaded = readFile(p);
        return true;
    }));
    EXPECT_EQ(loaded, "");
    t.Append();
    EXPECT_FALSE(ft.LoadRichText(t, "RTFDOC", [&](const std::string &) { return true; }));
    t.Cancel();
    EXPECT_EQ(t.RecordCount(), 1);
}

TEST_F(FaxTablesTest, PhonebookWindowOpensItsOwnTable)
{
    auto &ft = make();
    ASSERT_TRUE(ft.OpenPhoneDBF(ft.PhoneTable));
    TTable own("PhoneTable");
    own.DatabaseName = dir;
    ft.PhoneTable.Append();
    ft.PhoneTable.SetString("NAME", "zed");
    ft.PhoneTable.SetString("PHONE", "1");
    ft.PhoneTable.Post();
    ft.PhoneTable.Append();
    ft.PhoneTable.SetString("NAME", "Amy");
    ft.PhoneTable.SetString("PHONE", "2");
    ft.PhoneTable.Post();
    ft.PhoneTable.First();
    EXPECT_EQ(readPhone(ft.PhoneTable).name, "Amy");
    // Exclusive use: a second component cannot open the same file.
    EXPECT_FALSE(ft.OpenPhoneDBF(own));
    ft.PhoneTable.Close();
    ASSERT_TRUE(ft.OpenPhoneDBF(own));
    own.First();
    EXPECT_EQ(readPhone(own).name, "Amy");
    own.Next();
    EXPECT_EQ(readPhone(own).name, "zed");
}

} // namespace
} // namespace qln::records::test
