#include "fax/faxcodes.h"
#include "fax/faxfilelist.h"
#include "fax/faxlog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace qln::fax;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/qln-faxfiles-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An APF file with the given pages, each page's data one repeated byte.
void writeApf(const std::string &path, const std::vector<std::string> &pages)
{
    std::string h(64, '\0');
    h.replace(0, 6, std::string("APF10\x1A", 6));
    h[32] = static_cast<char>(pages.size());
    h[34] = 64;
    std::string body;
    for (const auto &p : pages) {
        std::string ph(16, '\0');
        ph[0] = static_cast<char>(p.size());
        ph[4] = 4;
        body += ph + p;
    }
    std::ofstream(path, std::ios::binary) << h << body;
}

} // namespace

TEST(FaxFileListJoin, PagesOfAllFilesFollowTheFirstHeader)
{
    TempDir d;
    writeApf(d.file("a.apf"), {"aaaa", "bb"});
    writeApf(d.file("b.apf"), {"ccc"});
    auto r = concatenateFaxFiles({d.file("a.apf"), d.file("b.apf")}, d.path());
    ASSERT_EQ(r.error, 0);
    EXPECT_EQ(r.pageCount, 3);
    EXPECT_EQ(r.filePages, (std::vector<int>{2, 1})); // where each document begins
    EXPECT_EQ(fs::path(r.path).filename().string().rfind("~AP", 0), 0u);
    std::string joined = readAll(r.path);
    std::string a = readAll(d.file("a.apf")), b = readAll(d.file("b.apf"));
    ASSERT_EQ(joined.size(), a.size() + b.size() - 64);
    EXPECT_EQ(static_cast<unsigned char>(joined[32]), 3);
    EXPECT_EQ(joined.substr(64, a.size() - 64), a.substr(64));
    EXPECT_EQ(joined.substr(a.size()), b.substr(64));
    fs::remove(r.path);
}

TEST(FaxFileListJoin, NonApfMemberFailsAndLeavesNoTempFile)
{
    TempDir d;
    writeApf(d.file("a.apf"), {"aaaa"});
    std::ofstream(d.file("b.txt")) << "plain text, not a fax";
    auto r = concatenateFaxFiles({d.file("a.apf"), d.file("b.txt")}, d.path());
    EXPECT_EQ(r.error, -ecFaxBadFormat);
    EXPECT_TRUE(r.path.empty());
    for (const auto &e : fs::directory_iterator(d.path()))
        EXPECT_NE(e.path().filename().string().rfind("~AP", 0), 0u) << e.path();

    r = concatenateFaxFiles({d.file("a.apf"), d.file("missing.apf")}, d.path());
    EXPECT_EQ(r.error, -2);
    EXPECT_FALSE(hasApfSignature(d.file("b.txt")));
    EXPECT_TRUE(hasApfSignature(d.file("a.apf")));
}

TEST(FaxHistory, EntriesPerLogCode)
{
    FaxLogFacts f;
    f.files = {"A.APF", "B.APF"};
    f.phoneNumber = "100";
    f.remoteStation = "REMOTE";
    f.receivedFile = "FAX0001.APF";
    f.hangupCode = 0;
    f.lastError = -8064;
    const std::string dt = "DT";
    EXPECT_EQ(TApdFaxLog::linesFor(lfaxTransmitStart, f, dt),
              (std::vector<std::string>{"Transmit A.APF to 100 started at DT",
                                        "Transmit B.APF to 100 started at DT"}));
    EXPECT_EQ(TApdFaxLog::linesFor(lfaxTransmitOk, f, dt),
              (std::vector<std::string>{"Transmit to REMOTE finished OK at DT 0", ""}));
    // A failed send ends with the hang-up code, even when it is 0.
    EXPECT_EQ(TApdFaxLog::linesFor(lfaxTransmitFail, f, dt),
              (std::vector<std::string>{"Transmit failed at DT",
                                        "  (Called fax number was busy) 0", ""}));
    EXPECT_EQ(TApdFaxLog::linesFor(lfaxReceiveStart, f, dt),
              (std::vector<std::string>{"Receive FAX0001.APF from REMOTE started at DT"}));
    EXPECT_EQ(TApdFaxLog::linesFor(lfaxReceiveFail, f, dt),
              (std::vector<std::string>{"Receive failed at DT", "  (Called fax number was busy)",
                                        ""}));
    EXPECT_TRUE(TApdFaxLog::linesFor(9, f, dt).empty());
}

TEST(FaxHistory, AppendsAndCreatesTheFile)
{
    TempDir d;
    TApdFaxLog log;
    log.FaxHistoryName = d.file("ROZUVIZ.HIS");
    log.dateTimeText = [] { return std::string("T0"); };
    FaxLogFacts f;
    ASSERT_EQ(log.UpdateLog(lfaxReceiveSkip, f), 0);
    ASSERT_EQ(log.UpdateLog(lfaxReceiveOk, f), 0);
    EXPECT_EQ(readAll(log.FaxHistoryName),
              "Receive skipped at T0\n\nReceive finished OK at T0\n\n");

    log.FaxHistoryName.clear(); // disabled
    EXPECT_EQ(log.UpdateLog(lfaxReceiveOk, f), 0);

    log.FaxHistoryName = d.file("no/such/dir/x.his");
    EXPECT_LT(log.UpdateLog(lfaxReceiveOk, f), 0);
}
