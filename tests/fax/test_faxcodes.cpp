#include "fax/faxclass.h"
#include "fax/faxcodes.h"
#include "fax/faxheader.h"
#include "fax/faxnaming.h"

#include <gtest/gtest.h>

#include <set>

using namespace qln::fax;

TEST(FaxCodeTexts, StatusTextsCoverOnlyTheStatusRange)
{
    EXPECT_EQ(faxStatusText(4801), "Initializing modem for fax processing");
    EXPECT_EQ(faxStatusText(4842), "User abort");
    EXPECT_EQ(faxStatusText(4831), "Monitoring for incoming faxes");
    EXPECT_EQ(faxStatusText(4900), "");
    EXPECT_EQ(faxStatusText(4809), "");
    EXPECT_EQ(faxStatusText(8064), "");
}

TEST(FaxCodeTexts, ErrorTextsIgnoreTheSign)
{
    EXPECT_EQ(faxErrorText(-8064), "Called fax number was busy");
    EXPECT_EQ(faxErrorText(8064), "Called fax number was busy");
    EXPECT_EQ(faxErrorText(-6005), "Cancel requested");
    EXPECT_EQ(faxErrorText(-160), "Device write error");
    // A code without a text of its own falls back to the system text, which
    // never carries control characters or blank runs.
    std::string t = faxErrorText(-28);
    EXPECT_FALSE(t.empty());
    EXPECT_EQ(t.find("  "), std::string::npos);
}

TEST(FaxClassDetection, BestClassFromTheModemsList)
{
    auto d = parseClassList("0,1,2,2.0");
    EXPECT_EQ(d.best, fcClass2_0);
    EXPECT_EQ(d.supported, kClass1Bit | kClass2Bit | kClass20Bit);

    d = parseClassList("0,1,2");
    EXPECT_EQ(d.best, fcClass2);
    EXPECT_EQ(d.supported, kClass1Bit | kClass2Bit);

    d = parseClassList("0,1");
    EXPECT_EQ(d.best, fcClass1);
    EXPECT_EQ(d.class1Command, "AT+FCLASS=1");

    d = parseClassList("+FCLASS: 0, 1.0");
    EXPECT_EQ(d.best, fcClass1);
    EXPECT_EQ(d.class1Command, "AT+FCLASS=1.0");

    // 2.0 alone does not imply Class 2.
    d = parseClassList("0,1,2.0");
    EXPECT_EQ(d.supported, kClass1Bit | kClass20Bit);

    d = parseClassList("0,8");
    EXPECT_EQ(d.best, fcUnknown);
    EXPECT_EQ(d.supported, 0);
}

TEST(FaxModemInit, DefaultStringFollowsDialOptions)
{
    EXPECT_EQ(defaultInitString(false, true), "ATE0Q0V1X4S0=0S2=43");
    EXPECT_EQ(defaultInitString(true, true), "ATE0Q0V1X3S0=0S2=43");
    EXPECT_EQ(defaultInitString(false, false), "ATE0Q0V1X2S0=0S2=43");
    EXPECT_EQ(defaultInitString(true, false), "ATE0Q0V1X1S0=0S2=43");
}

TEST(FaxModemInit, ExtraCommandIsUpperCasedAndPrefixed)
{
    EXPECT_EQ(normalizeModemInit("&F"), "AT&F");
    EXPECT_EQ(normalizeModemInit("at&f1"), "AT&F1");
    EXPECT_EQ(normalizeModemInit(""), "");
    EXPECT_EQ(normalizeModemInit(std::string(60, 'x')).size(), 40u);
}

TEST(FaxModemInit, ResponseLinesDropControlBytesAndEmptyLines)
{
    ResponseAssembler a;
    std::vector<std::string> lines;
    for (unsigned char c : std::string("\r\n\r\nOK\r\n\x01RI\x02NG\r"))
        if (a.feed(c))
            lines.push_back(a.line());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "OK");
    EXPECT_EQ(lines[1], "RING");
}

TEST(FaxReceivedNames, CounterSkipsExistingFiles)
{
    std::set<std::string> existing{"/r/FAX0001.APF", "/r/FAX0002.APF"};
    auto exists = [&](const std::string &p) { return existing.count(p) > 0; };
    EXPECT_EQ(receivedFileName("/r/", fnCount, "APF", 1, 1, exists), "/r/FAX0003.APF");
    EXPECT_EQ(receivedFileName("/r/", fnCount, "FAX", 1, 1, exists), "/r/FAX0001.FAX");
    EXPECT_EQ(receivedFileName("/r/", fnMonthDay, "APF", 3, 7, exists), "/r/03070001.APF");
}

TEST(FaxReceivedNames, AllNumbersTakenGivesANonameThatIsFree)
{
    std::set<std::string> nonames{"/r/NONAME.APF", "/r/NONAME1.APF"};
    auto numbered = [&](const std::string &p) { return p.find("/r/NONAME") != 0 || nonames.count(p) > 0; };
    EXPECT_EQ(receivedFileName("/r/", fnCount, "APF", 1, 1, numbered), "/r/NONAME2.APF");
    nonames.clear();
    EXPECT_EQ(receivedFileName("/r/", fnCount, "APF", 1, 1, numbered), "/r/NONAME.APF");
    int calls = 0;
    auto upTo9998 = [&](const std::string &p) {
        ++calls;
        return p != "/r/12319999.APF";
    };
    EXPECT_EQ(receivedFileName("/r/", fnMonthDay, "APF", 12, 31, upTo9998), "/r/12319999.APF");
    EXPECT_EQ(calls, 9999);
}

TEST(FaxReceivedNames, DirectoryGetsItsSeparator)
{
    EXPECT_EQ(withTrailingSeparator("/in"), "/in/");
    EXPECT_EQ(withTrailingSeparator("/in/"), "/in/");
    EXPECT_EQ(withTrailingSeparator("in\\"), "in/");
    EXPECT_EQ(withTrailingSeparator(""), "");
}

TEST(FaxHeaderLine, TokensAreReplacedCaseInsensitively)
{
    HeaderValues v;
    v.date = "12/09/26";
    v.time = "09:41";
    v.stationId = "555 1234";
    v.sender = "Ann";
    v.recipient = "Bob";
    v.title = "Offer";
    v.totalPages = 4;
    v.currentPage = 2;
    EXPECT_EQ(expandHeaderTokens("$D $t $I $f->$R $s page $P of $n", v),
              "12/09/26 09:41 555 1234 Ann->Bob Offer page 2 of 4");
    // Unknown letters vanish; a "$" without a letter stays.
    EXPECT_EQ(expandHeaderTokens("a$Xb $ 5$", v), "ab $ 5$");
    EXPECT_EQ(expandHeaderTokens("$$D", v), "$12/09/26");
}
