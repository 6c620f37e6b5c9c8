// Character fields in Windows-1252: cut by characters, characters outside
// the code page stored as "?", and expressions (index keys, queries) working
// on accented text the way the user typed it.
#include "records/faxtables.h"
#include "records/sx.h"

#include "tempdir.h"

#include <vector>

namespace qln::records::test {
namespace {

class CodePageTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ft = std::make_unique<FaxTables>(dir);
        ASSERT_TRUE(ft->OpenPhoneDBF(ft->PhoneTable));
    }
    void TearDown() override
    {
        ft.reset();
        TempDirTest::TearDown();
    }
    void add(const std::string &name)
    {
        ft->PhoneTable.Append();
        ft->PhoneTable.SetString("NAME", name);
        ft->PhoneTable.Post();
    }
    std::vector<std::string> names()
    {
        std::vector<std::string> out;
        for (ft->PhoneTable.First(); !ft->PhoneTable.Eof(); ft->PhoneTable.Next())
            out.push_back(readPhone(ft->PhoneTable).name);
        return out;
    }
    static std::string repeat(const std::string &s, int n)
    {
        std::string out;
        while (n-- > 0)
            out += s;
        return out;
    }
    std::unique_ptr<FaxTables> ft;
};

TEST_F(CodePageTest, LongAccentedTextIsCutToTheWidthInCharactersNeverHalfOfOne)
{
    add(repeat("\xC3\xA9", 40));   // 40 × é into NAME C 35
    add("abc" + repeat("\xC3\xBC", 40));
    EXPECT_EQ(names(), (std::vector<std::string>{"abc" + repeat("\xC3\xBC", 32), repeat("\xC3\xA9", 35)}));
    // One byte per character in the file, as other readers expect.
    ft->PhoneTable.Last();
    const std::string image = ft->PhoneTable.RecordImage();
    EXPECT_EQ(image.substr(1, 35), std::string(35, '\xE9'));
}

TEST_F(CodePageTest, CharactersOutsideTheCodePageAndBrokenUtf8BecomeQuestionMarks)
{
    add("Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xE2\x82\xAC \xF0\x9F\x93\xA0");  // Zoë 日本 € 📠
    add("bad\xC3(\xFF");
    EXPECT_EQ(names(), (std::vector<std::string>{"bad?(?", "Zo\xC3\xAB ?? \xE2\x82\xAC ?"}));
}

TEST_F(CodePageTest, UpperCaseKeysAndQueriesKnowAccentedLetters)
{
    // UPPER(NAME) orders "élodie" with "Émile" under É, after Z.
    for (const char *n : {"\xC3\x89mile", "zoe", "\xC3\xA9lodie", "Adam", "\xC5\xA1imon"})  // Émile zoe élodie Adam šimon
        add(n);
    EXPECT_EQ(names(), (std::vector<std::string>{"Adam", "zoe", "\xC5\xA1imon", "\xC3\xA9lodie", "\xC3\x89mile"}));

    // A query literal typed in UTF-8 meets the stored bytes.
    add("Zo\xC3\xAB M\xC3\xBCller");
    ASSERT_TRUE(ft->PhoneTable.SetQuery("ALLTRIM(UPPER(NAME))==\"ZO\xC3\x8B M\xC3\x9CLLER\""));
    EXPECT_EQ(ft->PhoneTable.QueryRecCount(), 1);
    ASSERT_TRUE(ft->PhoneTable.SetQuery("\"\xC3\x89LO\"$UPPER(NAME)"));
    EXPECT_EQ(names(), (std::vector<std::string>{"\xC3\xA9lodie"}));
}

} // namespace
} // namespace qln::records::test
