// Expression language: the functions and operators used by tag keys, tag
// conditions, queries and the clean-up conditions, and their error cases.
#include "records/expression.h"

#include <gtest/gtest.h>

namespace qln::records {
namespace {

class ExpressionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fields = {{"NAME", 'C', 10, 0, 0}, {"DATESENT", 'D', 8, 0, 0}, {"SENT", 'L', 1, 0, 0},
                  {"PAGES", 'N', 5, 2, 0}, {"FROM", 'C', 6, 0, 0}, {"RTFDOC", 'M', 10, 0, 0}};
        ASSERT_TRUE(DbfFile::validateFields(fields).isOk());
    }
    // Record image: flag, NAME, DATESENT, SENT, PAGES, FROM, RTFDOC.
    std::string rec(bool deleted, std::string name, std::string date, char sent, std::string pages,
                    std::string from = "")
    {
        name.resize(10, ' ');
        date.resize(8, ' ');
        pages.insert(0, 5 - pages.size(), ' ');
        from.resize(6, ' ');
        return std::string(1, deleted ? '*' : ' ') + name + date + sent + pages + from + std::string(10, ' ');
    }
    Value eval(const std::string &text, const std::string &record)
    {
        Expression e;
        Status s = Expression::compile(text, fields, e);
        EXPECT_TRUE(s.isOk()) << s.toString();
        return e.eval(record.data());
    }
    bool test(const std::string &text, const std::string &record) { return eval(text, record).b; }
    std::string key(const std::string &text, const std::string &record)
    {
        Expression e;
        EXPECT_TRUE(Expression::compile(text, fields, e).isOk());
        return e.key(record.data());
    }
    std::vector<FieldDesc> fields;
};

TEST_F(ExpressionTest, KeyFunctionsOfTheFaxTags)
{
    auto r = rec(false, "Smith Co", "20260315", 'T', "3", " ab ");
    EXPECT_EQ(key("DTOS(DATESENT)+NAME", r), "20260315Smith Co  ");
    EXPECT_EQ(key("UPPER(NAME)", r), "SMITH CO  ");
    EXPECT_EQ(key("datesent", r), "20260315");
    EXPECT_EQ(eval("ALLTRIM(FROM)", r).s, "ab");
    // An empty date sorts before every real one.
    auto blank = rec(false, "x", "", 'F', "0");
    EXPECT_LT(key("DTOS(DATESENT)", blank), key("DTOS(DATESENT)", r));
}

TEST_F(ExpressionTest, DeletedAndNotFollowTheRowFlag)
{
    EXPECT_TRUE(test(".not. deleted()", rec(false, "a", "", 'F', "0")));
    EXPECT_FALSE(test(".not. deleted()", rec(true, "a", "", 'F', "0")));
    EXPECT_TRUE(test("DELETED()", rec(true, "a", "", 'F', "0")));
    EXPECT_TRUE(test(".true.", rec(true, "a", "", 'F', "0")));
    EXPECT_FALSE(test("!.T.", rec(false, "a", "", 'F', "0")));
}

TEST_F(ExpressionTest, EmptyOnEveryType)
{
    auto empty = rec(false, "   ", "", 'F', "0");
    auto full = rec(false, "x", "20250101", 'T', "2.5");
    for (const char *f : {"NAME", "DATESENT", "SENT", "PAGES"}) {
        EXPECT_TRUE(test(std::string("EMPTY(") + f + ")", empty)) << f;
        EXPECT_FALSE(test(std::string("EMPTY(") + f + ")", full)) << f;
    }
    EXPECT_TRUE(test(".not. EMPTY(DATESENT)", full));
}

TEST_F(ExpressionTest, CleanupConditions)
{
    auto r = rec(false, "", "20240110", 'T', "1", "smith ");
    // Delete before a date.
    EXPECT_TRUE(test("(DTOS(DATESENT)<\"20240111\")", r));
    EXPECT_FALSE(test("(DTOS(DATESENT)<\"20240110\")", r));
    // Exact and partial name matches.
    EXPECT_TRUE(test("ALLTRIM(UPPER(FROM))==\"SMITH\"", r));
    EXPECT_FALSE(test("ALLTRIM(UPPER(FROM))==\"SMIT\"", r));
    EXPECT_TRUE(test("\"MIT\"$ALLTRIM(UPPER(FROM))", r));
    EXPECT_FALSE(test("\"JONES\"$ALLTRIM(UPPER(FROM))", r));
    EXPECT_FALSE(test("\"\"$ALLTRIM(UPPER(FROM))", r));
}

TEST_F(ExpressionTest, ComparisonsAndDates)
{
    auto r = rec(false, "abc", "20240229", 'T', "12.50");
    EXPECT_TRUE(test("NAME = \"ab\"", r));       // prefix match, as xBase does
    EXPECT_FALSE(test("NAME == \"ab\"", r));
    EXPECT_TRUE(test("PAGES > 12 .and. PAGES < 13", r));
    EXPECT_TRUE(test("DATESENT = CTOD(\"02/29/2024\")", r));
    EXPECT_TRUE(test("DATESENT + 1 = CTOD(\"03/01/2024\")", r));
    EXPECT_TRUE(test("DATESENT - CTOD(\"01/01/2024\") = 59", r));
    EXPECT_EQ(eval("CTOD(\"02/30/2024\")", r).s, "        ");
    EXPECT_TRUE(test("EMPTY(CTOD(\"garbage\"))", r));
    EXPECT_EQ(ctod("12/31/99"), "19991231");
    EXPECT_EQ(ctod("01/02/05"), "20050102");
}

TEST_F(ExpressionTest, NumericKeysSortLikeNumbers)
{
    std::string neg = key("PAGES", rec(false, "", "", 'F', "-3"));
    std::string zero = key("PAGES", rec(false, "", "", 'F', "0"));
    std::string small = key("PAGES", rec(false, "", "", 'F', "2.5"));
    std::string big = key("PAGES", rec(false, "", "", 'F', "10"));
    EXPECT_LT(neg, zero);
    EXPECT_LT(zero, small);
    EXPECT_LT(small, big);
}

TEST_F(ExpressionTest, SyntaxAndTypeErrorsAreRefused)
{
    for (const char *bad : {"", "   ", "UPPER(", "UPPER(NAME", "\"open", "NAME +", ".not.", "NOSUCH",
                            "NOSUCH()", "UPPER(DATESENT)", "DTOS(NAME)", "NAME + PAGES", "NAME $ PAGES",
                            ".not. NAME", "NAME .and. SENT", "DELETED(NAME)", "UPPER()", "RTFDOC", "1 +* 2",
                            "(NAME", "NAME)", ".foo.", "NAME @ 1", "PAGES < \"1\""}) {
        Expression e;
        Status s = Expression::compile(bad, fields, e);
        EXPECT_FALSE(s.isOk()) << "accepted: " << bad;
        EXPECT_FALSE(e.valid()) << bad;
    }
}

TEST_F(ExpressionTest, DeepNestingIsRefusedNotACrash)
{
    std::string deep(100000, '(');
    Expression e;
    EXPECT_FALSE(Expression::compile(deep, fields, e).isOk());
    std::string nots;
    for (int i = 0; i < 100000; ++i)
        nots += ".not. ";
    EXPECT_FALSE(Expression::compile(nots + ".t.", fields, e).isOk());
}

} // namespace
} // namespace qln::records

namespace qln::records {
namespace {
TEST(ExpressionLimits, LongOperatorChainIsRefusedNotACrash)
{
    std::vector<FieldDesc> fields{{"NAME", 'C', 10, 0, 0}};
    ASSERT_TRUE(DbfFile::validateFields(fields).isOk());
    std::string chain = "NAME";
    for (int i = 0; i < 50000; ++i)
        chain += "+NAME";
    Expression e;
    EXPECT_FALSE(Expression::compile(chain, fields, e).isOk());
    // A realistic long key still compiles.
    Expression ok;
    EXPECT_TRUE(Expression::compile("NAME+NAME+NAME+NAME+NAME+NAME", fields, ok).isOk());
}
} // namespace
} // namespace qln::records
