// Interoperability with other xBase readers and writers: Python's dbfread
// reads tables Quillon wrote; tables written by Python's dbf module (with
// memos and deleted rows) open in Quillon with the same values.
#include "records/faxtables.h"
#include "records/sx.h"

#include "tablehelpers.h"
#include "tempdir.h"

#include <cstdio>

namespace qln::records::test {
namespace {

constexpr const char *kPython = "/usr/bin/python3";

class PeersTest : public TempDirTest {
protected:
    // Runs a Python script in the test directory; returns its exit status
    // and leaves its output in `output`.
    int runPython(const std::string &script)
    {
        writeFile(path("peer.py"), script);
        std::string cmd = std::string("cd '") + dir + "' && " + kPython + " peer.py 2>&1";
        FILE *p = ::popen(cmd.c_str(), "r");
        if (!p)
            return -1;
        char buf[4096];
        output.clear();
        while (size_t n = std::fread(buf, 1, sizeof buf, p))
            output.append(buf, n);
        return ::pclose(p);
    }
    bool havePython(const char *module)
    {
        return fileExists(kPython) && runPython(std::string("import ") + module + "\n") == 0;
    }
    std::string output;
};

TEST_F(PeersTest, DbfreadReadsTheFaxTablesQuillonWrote)
{
    if (!havePython("dbfread"))
        GTEST_SKIP() << "python3-dbfread is not installed";
    {
        FaxTables ft(dir);
        ASSERT_TRUE(ft.OpenFaxDBF());
        ASSERT_TRUE(ft.OpenRecFaxDBF());
        TTable &t = ft.FaxTable;
        t.Append();
        t.SetString("SUBJECT", "Quarterly report");
        t.SetLogical("SENT", true);
        t.SetDate("DATESENT", "20250314");
        t.SetString("TIMESENT", "09:26");
        t.SetString("RECIPIENT", "Ada");
        t.SetString("PHONE", "555-0100");
        t.SetNumber("PAGES", 12);
        t.SetString("LASTRESULT", "OK");
        ASSERT_TRUE(ft.SaveRichText(t, "RTFCOVER", [&](const std::string &p) {
            writeFile(p, "{\\rtf1 cover}");
            return true;
        }));
        ASSERT_TRUE(ft.SaveRichText(t, "RTFDOC", [&](const std::string &p) {
            writeFile(p, std::string(3000, 'd'));
            return true;
        }));
        t.Post();
        t.Append();
        t.SetString("SUBJECT", "gone");
        t.Post();
        ASSERT_TRUE(t.Delete());
        t.Append();
        t.SetString("SUBJECT", "draft");
        t.Post();
        ft.RecTable.Append();
        ft.RecTable.SetDate("DATEREC", "20241231");
        ft.RecTable.SetString("TIMEREC", "23:59");
        ft.RecTable.SetString("FROM", "REMOTE ID");
        ft.RecTable.SetNumber("PAGES", 2);
        ft.RecTable.SetString("FAXFILE", "FAX0001.APF");
        ft.RecTable.Post();
    }
    int rc = runPython(R"PY(
import datetime, sys
from dbfread import DBF
t = DBF('QLN.DBF')
fields = [(f.name, f.type, f.length, f.decimal_count) for f in t.fields]
assert fields == [('SUBJECT','C',50,0),('SENT','L',1,0),('DATESENT','D',8,0),('TIMESENT','C',5,0),
                  ('RECIPIENT','C',35,0),('PHONE','C',25,0),('PAGES','N',2,0),('LASTRESULT','C',100,0),
                  ('RTFCOVER','M',10,0),('RTFDOC','M',10,0)], fields
rows = list(t)
assert len(rows) == 2, rows
r = rows[0]
assert r['SUBJECT'] == 'Quarterly report' and r['SENT'] is True, r
assert r['DATESENT'] == datetime.date(2025, 3, 14) and r['TIMESENT'] == '09:26', r
assert r['RECIPIENT'] == 'Ada' and r['PHONE'] == '555-0100' and r['PAGES'] == 12, r
assert r['LASTRESULT'] == 'OK', r
assert r['RTFCOVER'] == '{\\rtf1 cover}', r['RTFCOVER']
assert r['RTFDOC'] == 'd' * 3000
d = rows[1]
assert d['SUBJECT'] == 'draft' and d['DATESENT'] is None and d['SENT'] is False, d
assert d['PAGES'] is None, d   # blank number, as xBase leaves it
assert d['RTFCOVER'] == '' or d['RTFCOVER'] is None, d
deleted = list(t.deleted)
assert len(deleted) == 1 and deleted[0]['SUBJECT'] == 'gone', deleted
rec = list(DBF('QLNREC.DBF'))
assert [f.name for f in DBF('QLNREC.DBF').fields] == ['DATEREC','TIMEREC','FROM','PAGES','FAXFILE','NOTES']
assert rec[0]['DATEREC'] == datetime.date(2024, 12, 31) and rec[0]['FROM'] == 'REMOTE ID', rec
assert rec[0]['PAGES'] == 2 and rec[0]['FAXFILE'] == 'FAX0001.APF' and rec[0]['NOTES'] == '', rec
print('ok')
)PY");
    EXPECT_EQ(rc, 0) << output;
}

// Character fields are Windows-1252 as the header says: accented names and
// a note filled to its width with a two-byte UTF-8 character come back the
// same in Quillon and in dbfread's default decoding (which follows the
// header's code page mark).
TEST_F(PeersTest, AccentedTextReadsTheSameInQuillonAndDbfread)
{
    if (!havePython("dbfread"))
        GTEST_SKIP() << "python3-dbfread is not installed";
    std::string e60;
    for (int i = 0; i < 60; ++i)
        e60 += "\xC3\xA9";  // é
    {
        FaxTables ft(dir);
        ASSERT_TRUE(ft.OpenRecFaxDBF());
        ASSERT_TRUE(ft.OpenPhoneDBF(ft.PhoneTable));
        for (const char *name : {"Zo\xC3\xAB M\xC3\xBCller", "\xC3\x98rsted"}) {
            ft.PhoneTable.Append();
            ft.PhoneTable.SetString("NAME", name);
            ft.PhoneTable.SetString("PHONE", "555");
            ft.PhoneTable.Post();
        }
        ft.RecTable.Append();
        ft.RecTable.SetString("FROM", "Zo\xC3\xAB M\xC3\xBCller");
        ft.RecTable.SetString("NOTES", e60);
        ft.RecTable.Post();

        ft.PhoneTable.First();
        EXPECT_EQ(readPhone(ft.PhoneTable).name, "Zo\xC3\xAB M\xC3\xBCller");
        ft.PhoneTable.Next();
        EXPECT_EQ(readPhone(ft.PhoneTable).name, "\xC3\x98rsted");
        ft.RecTable.First();
        EXPECT_EQ(readReceived(ft.RecTable).notes, e60);
        EXPECT_EQ(readReceived(ft.RecTable).from, "Zo\xC3\xAB M\xC3\xBCller");
    }
    int rc = runPython(R"PY(
from dbfread import DBF
names = sorted(r['NAME'] for r in DBF('QLNPB.DBF'))
assert names == ['Zo\u00eb M\u00fcller', '\u00d8rsted'], names
rec = list(DBF('QLNREC.DBF'))
assert rec[0]['FROM'] == 'Zo\u00eb M\u00fcller', rec
assert rec[0]['NOTES'] == '\u00e9' * 60, rec
print('ok')
)PY");
    EXPECT_EQ(rc, 0) << output;
}

// Text a peer wrote in the code page the header declares opens in Quillon.
TEST_F(PeersTest, Windows1252TextWrittenByPythonDbfReadsInQuillon)
{
    if (!havePython("dbf"))
        GTEST_SKIP() << "python3-dbf is not installed";
    int rc = runPython(R"PY(
import dbf
t = dbf.Table('QLNPB.DBF', 'NAME C(35); PHONE C(25)', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('\u00c9mile \u20ac', '1'))
t.close()
print('ok')
)PY");
    ASSERT_EQ(rc, 0) << output;
    FaxTables ft(dir);
    ASSERT_TRUE(ft.OpenPhoneDBF(ft.PhoneTable));
    EXPECT_EQ(readPhone(ft.PhoneTable).name, "\xC3\x89mile \xE2\x82\xAC");
}

TEST_F(PeersTest, TableWrittenByPythonDbfOpensInQuillon)
{
    if (!havePython("dbf"))
        GTEST_SKIP() << "python3-dbf is not installed";
    int rc = runPython(R"PY(
import dbf, datetime
t = dbf.Table('QLNPB.DBF', 'NAME C(35); PHONE C(25)', dbf_type='db3')
t.open(dbf.READ_WRITE)
for n, p in [('Zoe', '1'), ('adam', '2'), ('Mia', '3'), ('Bob', '4')]:
    t.append((n, p))
with t[2] as r:
    dbf.delete(r)
t.close()
m = dbf.Table('MEMO.DBF', 'NAME C(20); QTY N(4,0); WHEN D; DONE L; NOTE M', dbf_type='fp')
m.open(dbf.READ_WRITE)
m.append(('alpha', 5, datetime.date(2025, 3, 1), True, 'first memo'))
m.append(('beta', -2, None, False, ''))
m.append(('gamma', 7, datetime.date(2024, 1, 2), False, 'x' * 5000))
with m[1] as r:
    dbf.delete(r)
m.close()
print('ok')
)PY");
    ASSERT_EQ(rc, 0) << output;

    // The phonebook through the binding: no index file yet, so the first
    // tag is made; the deleted row is hidden.
    {
        FaxTables ft(dir);
        ASSERT_TRUE(ft.OpenPhoneDBF(ft.PhoneTable));
        std::vector<std::string> names;
        for (ft.PhoneTable.First(); !ft.PhoneTable.Eof(); ft.PhoneTable.Next())
            names.push_back(readPhone(ft.PhoneTable).name);
        EXPECT_EQ(names, (std::vector<std::string>{"adam", "Bob", "Zoe"}));
        EXPECT_EQ(ft.PhoneTable.QueryRecCount(), 3);
        EXPECT_EQ(ft.PhoneTable.RecordCount(), 4);
    }

    ASSERT_NE(sx_Use(path("MEMO.DBF"), "M", EXCLUSIVE, sx_DriverFor(path("MEMO.DBF"))), 0) << sx_ErrorText();
    ASSERT_TRUE(sx_Query(".not. deleted()"));
    EXPECT_EQ(sx_QueryRecCount(), 2);
    EXPECT_EQ(walk(), (std::vector<long>{1, 3}));
    sx_Go(1);
    EXPECT_EQ(sx_GetTrimString("NAME"), "alpha");
    EXPECT_EQ(sx_GetDouble("QTY"), 5);
    EXPECT_EQ(sx_GetDateString("WHEN"), "20250301");
    EXPECT_TRUE(sx_GetLogical("DONE"));
    EXPECT_EQ(sx_GetMemo("NOTE"), "first memo");
    sx_Go(2);
    EXPECT_TRUE(sx_Deleted());
    EXPECT_EQ(sx_GetDouble("QTY"), -2);
    EXPECT_EQ(sx_GetDateString("WHEN"), "");
    sx_Go(3);
    EXPECT_EQ(sx_GetMemo("NOTE"), std::string(5000, 'x'));
    // Quillon's changes remain readable by the writer.
    ASSERT_TRUE(sx_Replace("NOTE", R_MEMO, "changed by quillon"));
    ASSERT_TRUE(addRow("delta", "20260101", true, 9));
    ASSERT_TRUE(sx_Commit());
    sx_Close();
    rc = runPython(R"PY(
import dbf, datetime
m = dbf.Table('MEMO.DBF')
m.open(dbf.READ_ONLY)
assert len(m) == 4, len(m)
assert m[2].note.strip() == 'changed by quillon', m[2].note
assert m[3].name.strip() == 'delta' and m[3].when == datetime.date(2026, 1, 1) and m[3].done is True
assert dbf.is_deleted(m[1])
m.close()
print('ok')
)PY");
    EXPECT_EQ(rc, 0) << output;
}

} // namespace
} // namespace qln::records::test
