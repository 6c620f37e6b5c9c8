// The fax log clean-up on seeded tables: which rows each group action
// deletes, the date rule, exact and partial matching, received files going
// with their rows (and nothing outside the receive directory), the current
// row afterwards, and the rebuild that removes the rows from the files.
#include "records/faxlogcleanup.h"

#include "records/faxrows.h"
#include "records/sx.h"
#include "tempdir.h"

#include <cstdio>
#include <filesystem>

namespace qln::records::test {
namespace {

struct Out {
    std::string subject, date, recipient = "Ann", phone = "555-0100";
};
struct In {
    std::string date, from, faxFile;
};

class CleanupTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        tables = std::make_unique<FaxTables>(dir);
        ASSERT_TRUE(tables->OpenFaxDBF());
        ASSERT_TRUE(tables->OpenRecFaxDBF());
        std::filesystem::create_directory(path("receive"));
    }
    void TearDown() override
    {
        tables.reset();
        TempDirTest::TearDown();
    }
    void addOut(const std::vector<Out> &rows)
    {
        TTable &t = tables->FaxTable;
        for (const Out &r : rows) {
            t.Append();
            t.SetString("SUBJECT", r.subject);
            t.SetLogical("SENT", !r.date.empty());
            t.SetDate("DATESENT", r.date);
            t.SetString("TIMESENT", r.date.empty() ? "" : "10:00");
            t.SetString("RECIPIENT", r.recipient);
            t.SetString("PHONE", r.phone);
            t.Post();
        }
    }
    void addIn(const std::vector<In> &rows)
    {
        TTable &t = tables->RecTable;
        for (const In &r : rows) {
            t.Append();
            t.SetDate("DATEREC", r.date);
            t.SetString("TIMEREC", "09:00");
            t.SetString("FROM", r.from);
            t.SetString("FAXFILE", r.faxFile);
            t.Post();
        }
    }
    // The lists as the clean-up shows them, in the tables' current order.
    std::vector<std::string> subjects()
    {
        std::vector<std::string> out;
        for (long i = 0; i < tables->FaxTable.VisibleCount(); ++i)
            out.push_back(outgoingAt(tables->FaxTable, i).subject);
        return out;
    }
    std::vector<std::string> senders()
    {
        std::vector<std::string> out;
        for (long i = 0; i < tables->RecTable.VisibleCount(); ++i)
            out.push_back(receivedAt(tables->RecTable, i).from);
        return out;
    }
    std::unique_ptr<FaxTables> tables;
};

} // namespace

TEST(CleanupConditions, TextsOfTheGroupActions)
{
    EXPECT_EQ(BeforeDateCondition(FaxLog::Outgoing, "20240131"), "(DTOS(DATESENT)<\"20240131\")");
    EXPECT_EQ(BeforeDateCondition(FaxLog::Received, "20240131"), "(DTOS(DATEREC)<\"20240131\")");
    EXPECT_EQ(MatchCondition(MatchField::From, "  smith ", true), "ALLTRIM(UPPER(FROM))==\"SMITH\"");
    EXPECT_EQ(MatchCondition(MatchField::Recipient, "smith", false), "\"SMITH\"$ALLTRIM(UPPER(RECIPIENT))");
    EXPECT_EQ(MatchCondition(MatchField::Phone, "555", false), "\"555\"$ALLTRIM(UPPER(PHONE))");
    EXPECT_EQ(MatchCondition(MatchField::From, "   ", true), "");
    // A quote in the text must not end the literal early.
    EXPECT_EQ(MatchCondition(MatchField::From, "Bob \"B\"", true), "ALLTRIM(UPPER(FROM))=='BOB \"B\"'");
    EXPECT_EQ(MatchCondition(MatchField::From, "it's \"x\"", true), "");
}

// Before a day: a fax never sent has no date, which compares lower than any
// day; the date rule keeps it.
TEST_F(CleanupTest, BeforeADateNeverDeletesAFaxThatWasNeverSent)
{
    addOut({{"old", "20230105"}, {"never", ""}, {"day itself", "20240101"}, {"new", "20250105"}});
    FaxLogCleanup c(*tables);
    c.Begin();
    const std::string cond = BeforeDateCondition(FaxLog::Outgoing, "20240101");
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, cond, false, true).deleted, 2)
        << "without the rule the empty date would match";
    EXPECT_FALSE(c.ChangesMade());
    const CleanupResult r = c.DeleteForCondition(FaxLog::Outgoing, cond, true);
    EXPECT_EQ(r.deleted, 1);
    EXPECT_EQ(r.error, "");
    EXPECT_TRUE(c.ChangesMade());
    EXPECT_EQ(subjects(), (std::vector<std::string>{"new", "day itself", "never"}));
    // Running it again finds the flagged row and skips it.
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, cond, true).deleted, 0);
}

TEST_F(CleanupTest, SentAndNotSentAndAll)
{
    addOut({{"a", "20230105"}, {"b", ""}, {"c", "20250105"}, {"d", ""}});
    FaxLogCleanup c(*tables);
    c.Begin();
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, kNotSentCondition, false).deleted, 2);
    EXPECT_EQ(subjects(), (std::vector<std::string>{"c", "a"}));
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, kSentCondition, false).deleted, 2);
    EXPECT_TRUE(c.IsEmpty(FaxLog::Outgoing));
    addOut({{"e", "20250101"}});
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, kAllCondition, false).deleted, 1);
    EXPECT_TRUE(c.IsEmpty(FaxLog::Outgoing));
    EXPECT_EQ(tables->FaxTable.RecordCount(), 5);   // flagged, not yet removed
}

TEST_F(CleanupTest, PartialSmithFindsItAnywhereExactOnlyTheWholeName)
{
    const std::vector<In> rows{{"20240101", "SMITH", ""},      {"20240102", "  smith", ""},
                               {"20240103", "John Smith", ""}, {"20240104", "Smithson Ltd", ""},
                               {"20240105", "Jones", ""},      {"20240106", "SMIT H", ""}};
    addIn(rows);
    FaxLogCleanup c(*tables);
    c.Begin();
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Received, MatchCondition(MatchField::From, "smith", true), false)
                  .deleted,
              2);
    EXPECT_EQ(senders(), (std::vector<std::string>{"SMIT H", "Jones", "Smithson Ltd", "John Smith"}));
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Received, MatchCondition(MatchField::From, " Smith ", false), false)
                  .deleted,
              2);
    EXPECT_EQ(senders(), (std::vector<std::string>{"SMIT H", "Jones"}));

    addOut({{"x", "20240101", "Mary Smith", "555-0199"}, {"y", "20240101", "Smith", "555-0100"}});
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, MatchCondition(MatchField::Phone, "0199", false), false)
                  .deleted,
              1);
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, MatchCondition(MatchField::Recipient, "SMITH", true), false)
                  .deleted,
              1);
    EXPECT_TRUE(c.IsEmpty(FaxLog::Outgoing));
}

TEST_F(CleanupTest, NothingMatchedChangesNothing)
{
    addOut({{"a", "20250105"}});
    FaxLogCleanup c(*tables);
    c.Begin();
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, BeforeDateCondition(FaxLog::Outgoing, "20200101"), true)
                  .deleted,
              0);
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, "", false).deleted, 0);   // blank condition
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Received, kAllCondition, false).deleted, 0);   // empty table
    EXPECT_FALSE(c.ChangesMade());
    // A condition the table cannot evaluate is an error, and deletes nothing.
    const CleanupResult bad = c.DeleteForCondition(FaxLog::Outgoing, "ALLTRIM(UPPER(FROM))==\"X\"", false);
    EXPECT_EQ(bad.deleted, 0);
    EXPECT_NE(bad.error, "");
    EXPECT_FALSE(c.ChangesMade());
    EXPECT_EQ(subjects(), std::vector<std::string>{"a"});
}

TEST_F(CleanupTest, ReceivedFilesGoWithTheirRowsButNothingOutside)
{
    writeFile(path("receive/FAX0001.APF"), "APF");
    writeFile(path("receive/fax0002.apf"), "APF");
    writeFile(path("receive/keep.apf"), "APF");
    writeFile(path("precious.txt"), "keep");
    addIn({{"20230101", "A", "fax0001.apf"},
         {"20230102", "B", "FAX0002.APF"},
         {"20230103", "C", "../precious.txt"},
         {"20230104", "D", "gone.apf"},
         {"20250101", "E", "keep.apf"}});
    FaxLogCleanup c(*tables);
    c.Begin();
    const CleanupResult r =
        c.DeleteForCondition(FaxLog::Received, BeforeDateCondition(FaxLog::Received, "20240101"), true);
    EXPECT_EQ(r.deleted, 4);
    EXPECT_FALSE(std::filesystem::exists(path("receive/FAX0001.APF")));
    EXPECT_FALSE(std::filesystem::exists(path("receive/fax0002.apf")));
    EXPECT_TRUE(std::filesystem::exists(path("receive/keep.apf")));
    EXPECT_EQ(readFile(path("precious.txt")), "keep");
    ASSERT_EQ(r.fileProblems.size(), 1u);   // the refused name; a missing file is no problem
    EXPECT_NE(r.fileProblems[0].find("\"../precious."), std::string::npos);   // FAXFILE holds 12 characters
    EXPECT_EQ(senders(), std::vector<std::string>{"E"});
}

// Delete one: the row that followed the deleted one in the list becomes
// current; after the last row the table is at its end.
TEST_F(CleanupTest, DeleteCurrentMovesToTheNextRow)
{
    writeFile(path("receive/f2.apf"), "APF");
    addIn({{"20240101", "one", "f1.apf"}, {"20240102", "two", "f2.apf"}, {"20240103", "three", "f3.apf"}});
    FaxLogCleanup c(*tables);
    c.Begin();
    TTable &t = tables->RecTable;   // newest first: three, two, one
    t.First();
    t.Next();
    ASSERT_EQ(readReceived(t).from, "two");
    CleanupResult r = c.DeleteCurrent(FaxLog::Received);
    EXPECT_EQ(r.deleted, 1);
    EXPECT_EQ(readReceived(t).from, "one");
    EXPECT_FALSE(std::filesystem::exists(path("receive/f2.apf")));
    r = c.DeleteCurrent(FaxLog::Received);
    EXPECT_EQ(r.deleted, 1);
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(senders(), std::vector<std::string>{"three"});
    EXPECT_EQ(c.DeleteCurrent(FaxLog::Received).deleted, 0);   // no current row
    EXPECT_TRUE(c.ChangesMade());
}

TEST_F(CleanupTest, GroupDeleteKeepsOrderAndCurrentRowAndQueriesComeBack)
{
    addOut({{"a", "20230105"}, {"b", "20250105"}, {"c", "20240605"}});
    TTable &t = tables->FaxTable;
    ASSERT_EQ(t.Query(), ".not. deleted()");
    FaxLogCleanup c(*tables);
    c.Begin();
    EXPECT_EQ(t.Query(), "");
    EXPECT_EQ(tables->RecTable.Query(), "");
    t.First();   // "b", the newest
    const int order = t.IndexOrd();
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Outgoing, BeforeDateCondition(FaxLog::Outgoing, "20240101"), true)
                  .deleted,
              1);
    EXPECT_EQ(t.IndexOrd(), order);
    EXPECT_EQ(readOutgoing(t).subject, "b");
    c.End();
    EXPECT_EQ(t.Query(), ".not. deleted()");
    EXPECT_EQ(tables->RecTable.Query(), ".not. deleted()");
    EXPECT_EQ(t.QueryRecCount(), 2);
}

TEST_F(CleanupTest, DryRunCountsWithoutDeleting)
{
    writeFile(path("receive/a.apf"), "APF");
    addIn({{"20230101", "A", "a.apf"}});
    FaxLogCleanup c(*tables);
    EXPECT_EQ(c.DeleteForCondition(FaxLog::Received, kAllCondition, false, true).deleted, 1);
    EXPECT_TRUE(std::filesystem::exists(path("receive/a.apf")));
    EXPECT_EQ(senders(), std::vector<std::string>{"A"});
    EXPECT_FALSE(c.ChangesMade());
}

// After the clean-up the rebuild removes the flagged rows from the files,
// as another xBase reader sees them, and the lists keep their order.
TEST_F(CleanupTest, RebuildRemovesTheRowsFromTheFilesAndKeepsTheOrder)
{
    addOut({{"2019", "20190101"}, {"2024", "20240101"}, {"never", ""}, {"2018", "20180101"}, {"2025", "20250101"}});
    FaxLogCleanup c(*tables);
    c.Begin();
    ASSERT_EQ(c.DeleteForCondition(FaxLog::Outgoing, BeforeDateCondition(FaxLog::Outgoing, "20200101"), true)
                  .deleted,
              2);
    c.End();
    const auto before = std::filesystem::file_size(path("QLN.DBF"));
    tables->RebuildIndexes(nullptr);
    EXPECT_LT(std::filesystem::file_size(path("QLN.DBF")), before);
    EXPECT_EQ(tables->FaxTable.RecordCount(), 3);
    EXPECT_EQ(subjects(), (std::vector<std::string>{"2025", "2024", "never"}));

    const char *python = "/usr/bin/python3";
    if (!std::filesystem::exists(python) || std::system("/usr/bin/python3 -c 'import dbfread' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-dbfread is not installed";
    tables->CloseAll();
    const std::string cmd = std::string(python) + " -c \"import dbfread; t = dbfread.DBF('" + path("QLN.DBF") +
                            "', load=True); print(','.join(r['SUBJECT'] for r in t), len(t.deleted))\"";
    FILE *p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[256] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    ::pclose(p);
    EXPECT_EQ(std::string(buf, n), "2024,never,2025 0\n");   // no deleted rows left
}

} // namespace qln::records::test
