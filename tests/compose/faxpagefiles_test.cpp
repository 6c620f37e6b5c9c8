// The files of a rendered fax: the base file's number, appending and
// joining APF files (page order, page count, the header otherwise kept),
// and what a missing or damaged file leaves behind.
#include "compose/faxpagefiles.h"

#include "comms/portexceptions.h"
#include "faximage/apf.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace qln;
using namespace qln::compose;

namespace {

class PageFiles : public ::testing::Test {
protected:
    std::string path(const std::string &name) const { return dir.path().toStdString() + "/" + name; }
    std::string data() const { return dir.path().toStdString() + "/"; }

    // One APF file whose pages hold the given bytes as their data.
    void writeApf(const std::string &name, const std::vector<std::string> &pages,
                  const std::string &station = "STATION")
    {
        fax::ApfWriter w;
        ASSERT_EQ(w.create(path(name)), 0);
        for (const std::string &p : pages) {
            ASSERT_EQ(w.beginPage(fax::pfFine), 0);
            ASSERT_EQ(w.writeRaw(reinterpret_cast<const uint8_t *>(p.data()), p.size()), 0);
            ASSERT_EQ(w.endPage(), 0);
        }
        ASSERT_EQ(w.finish(station), 0);
    }

    // The data of every page, read back through the reader.
    std::vector<std::string> pagesOf(const std::string &name)
    {
        fax::ApfReader r;
        std::vector<std::string> out;
        if (r.open(path(name)) != 0)
            return {"<cannot open>"};
        for (int n = 1; n <= r.pageCount(); ++n) {
            if (r.seekPage(n) != 0)
                return {"<bad page>"};
            std::string page(r.pageRemaining(), '\0');
            std::size_t got = 0;
            r.readData(reinterpret_cast<uint8_t *>(page.data()), page.size(), got);
            out.push_back(page.substr(0, got));
        }
        return out;
    }

    QByteArray bytes(const std::string &name)
    {
        QFile f(QString::fromStdString(path(name)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void touch(const std::string &name)
    {
        QFile f(QString::fromStdString(path(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    QTemporaryDir dir;
};

int errorCode(const std::function<void()> &f)
{
    try {
        f();
    } catch (const EAPDException &e) {
        return e.Code;
    }
    return 0;
}

}  // namespace

TEST_F(PageFiles, BaseFileTakesTheFirstFreeNumberIgnoringCase)
{
    EXPECT_EQ(BaseFaxFileName(data()), path("QLN_1.APF"));
    touch("QLN_1.APF");
    touch("qln_2.apf"); // names in the data directory are matched without case
    touch("QLN_4.APF");
    EXPECT_EQ(BaseFaxFileName(data()), path("QLN_3.APF"));
    EXPECT_EQ(PageFileName(data(), 7), path("QLNAX7.APF"));
}

TEST_F(PageFiles, AllThousandNumbersTakenGivesQln1)
{
    for (int n = 1; n <= 1000; ++n)
        touch("QLN_" + std::to_string(n) + ".APF");
    EXPECT_EQ(BaseFaxFileName(data()), path("QLN1.APF"));
}

TEST_F(PageFiles, JoiningThreeFilesKeepsListOrderAndRemovesTheRest)
{
    writeApf("QLN_1.APF", {"first page"}, "OWN ID");
    writeApf("QLNAX2.APF", {"second"}, "OTHER");
    writeApf("QLNAX3.APF", {"third page, a little longer"}, "OTHER");
    const QByteArray before = bytes("QLN_1.APF");

    EXPECT_EQ(JoinFaxPages({path("QLN_1.APF"), path("QLNAX2.APF"), path("QLNAX3.APF")}), path("QLN_1.APF"));
    EXPECT_EQ(pagesOf("QLN_1.APF"), (std::vector<std::string>{"first page", "second", "third page, a little longer"}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("QLNAX2.APF"))));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("QLNAX3.APF"))));
    // Only the page count changed in the header (date, station ID kept).
    QByteArray after = bytes("QLN_1.APF").left(64);
    QByteArray expected = before.left(64);
    expected[32] = 3;
    EXPECT_EQ(after, expected);
}

TEST_F(PageFiles, AppendingMultiPageFilesAddsTheirCounts)
{
    writeApf("a.apf", {"a1", "a2"});
    writeApf("b.apf", {"b1", "b2", "b3"});
    AppendApfFile(path("a.apf"), path("b.apf"));
    EXPECT_EQ(pagesOf("a.apf"), (std::vector<std::string>{"a1", "a2", "b1", "b2", "b3"}));
    EXPECT_EQ(pagesOf("b.apf").size(), 3u); // the source is left as it was
}

TEST_F(PageFiles, OneFileIsLeftAloneAndAnEmptyListGivesNoName)
{
    writeApf("QLN_1.APF", {"only"});
    const QByteArray before = bytes("QLN_1.APF");
    EXPECT_EQ(JoinFaxPages({path("QLN_1.APF")}), path("QLN_1.APF"));
    EXPECT_EQ(bytes("QLN_1.APF"), before);
    EXPECT_EQ(JoinFaxPages({}), "");
}

TEST_F(PageFiles, MissingPageFileRaisesFileNotFoundAndKeepsTheOthers)
{
    writeApf("QLN_1.APF", {"first"});
    writeApf("QLNAX3.APF", {"third"});
    const QByteArray before = bytes("QLN_1.APF");
    int code = errorCode([&] { JoinFaxPages({path("QLN_1.APF"), path("QLNAX2.APF"), path("QLNAX3.APF")}); });
    EXPECT_EQ(code, 2);
    EXPECT_EQ(bytes("QLN_1.APF"), before);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path("QLNAX3.APF"))));

    // A missing destination is the same error, and creates nothing.
    EXPECT_EQ(errorCode([&] { AppendApfFile(path("none.apf"), path("QLNAX3.APF")); }), 2);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("none.apf"))));
    try {
        AppendApfFile(path("QLN_1.APF"), path("gone.apf"));
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError &e) {
        EXPECT_STREQ(e.what(), LibraryErrorText(2).c_str());
    }
}

TEST_F(PageFiles, DamagedFilesAreRefusedWithoutTouchingTheDestination)
{
    writeApf("dest.apf", {"page"});
    const QByteArray before = bytes("dest.apf");
    {
        QFile f(QString::fromStdString(path("text.apf")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, 'x'));
    }
    EXPECT_EQ(errorCode([&] { AppendApfFile(path("dest.apf"), path("text.apf")); }), 8001);
    EXPECT_EQ(bytes("dest.apf"), before);

    // A destination whose page claims more data than the file holds: the
    // append would leave a hole of undefined bytes.
    QByteArray claimed = before;
    claimed[64] = char(0xFF);
    claimed[65] = char(0x7F);
    {
        QFile f(QString::fromStdString(path("short.apf")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(claimed);
    }
    writeApf("src.apf", {"more"});
    EXPECT_EQ(errorCode([&] { AppendApfFile(path("short.apf"), path("src.apf")); }), 100);
    EXPECT_EQ(bytes("short.apf"), claimed);
}
