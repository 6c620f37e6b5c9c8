// Page rendering over a stand-in rich text: pages per text and per hard
// page break, page order, the zoom and paint call, the black dot, the base
// file's number, the in-memory bitmap against "_TMP.BMP", and what a
// failure leaves behind.
#include "common/messages.h"
#include "compose/pagerender.h"
#include "comms/portexceptions.h"
#include "faximage/apf.h"
#include "faximage/unpacker.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

using namespace qln;
using namespace qln::compose;

namespace {

// A text of `lines` lines, each painted as a black bar 20 pixels high and
// 40 pixels apart; a page ends at the bottom limit or, in page-break mode,
// before a line listed in breaks.
struct FakeText : PagePainter {
    int lines = 0;
    std::vector<int> breaks;
    bool empty = false;
    int zoom = 0;
    bool breakMode = false;
    std::vector<std::vector<int>> calls;  // left, top, width, bottom, first
    std::function<void(int page)> afterPaint;

    bool isEmptyText() const override { return empty; }
    void setZoom(int z) override { zoom = z; }
    void setPageBreakMode(bool on) override { breakMode = on; }
    int paintPage(QPainter &p, int left, int top, int width, int bottom, int first) override
    {
        calls.push_back({left, top, width, bottom, first});
        int y = top;
        int line = first;
        while (line < lines && y + 20 <= bottom) {
            if (breakMode && line != first && std::count(breaks.begin(), breaks.end(), line))
                break;
            p.fillRect(left, y, 200 + 10 * line, 20, Qt::black);
            y += 40;
            ++line;
        }
        if (afterPaint)
            afterPaint(int(calls.size()));
        return line < lines ? line : 0;
    }
};

class Render : public ::testing::Test {
protected:
    Render()
    {
        data = dir.path().toStdString() + "/";
        setMessages(&msgs);
    }
    ~Render() override { setMessages(nullptr); }

    std::unique_ptr<FaxPageRenderer> renderer()
    {
        auto r = std::make_unique<FaxPageRenderer>(data);
        r->onStatus = [this](const std::string &s) { statuses.push_back(s); };
        r->onBusy = [this](bool b) { busyNow = b; };
        return r;
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }

    // Decoded page (1 = white, as the unpacker gives it).
    fax::MonoBitmap page(const std::string &file, int n)
    {
        fax::TApdFaxUnpacker u;
        u.AutoScaleMode = fax::asNone;
        u.setInFileName(file);
        return u.ExtractPageBitmap(n);
    }
    // Black bars on a decoded page, counted down its left margin column.
    int bars(const fax::MonoBitmap &bm)
    {
        int n = 0;
        bool inBar = false;
        for (int y = 0; y < bm.height; ++y) {
            const bool black = !bm.pixel(50 + 49 + 5, y);
            if (black && !inBar)
                ++n;
            inBar = black;
        }
        return n;
    }

    QTemporaryDir dir;
    std::string data;
    ScriptedMessages msgs;
    std::vector<std::string> statuses;
    bool busyNow = false;
};

}  // namespace

TEST(RenderZoom, ScreenLayoutScaledToAbout200Dpi)
{
    EXPECT_EQ(FaxPageRenderer::zoomFor(96), 208);
    EXPECT_EQ(FaxPageRenderer::zoomFor(120), 166);
    EXPECT_EQ(FaxPageRenderer::zoomFor(0), 208); // no screen: 96 ppi
}

TEST_F(Render, EmptyDocumentAndTwoPageCoverGiveTwoPagesInTheBaseFile)
{
    FakeText cover, doc;
    cover.lines = 60; // 51 fit on a page
    doc.empty = true;
    int count = 0;
    const std::string file = renderer()->CreateFaxFile(cover, doc, count);
    EXPECT_EQ(file, data + "QLN_1.APF");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(files(), QStringList{"QLN_1.APF"});
    fax::ApfReader r;
    ASSERT_EQ(r.open(file), 0);
    EXPECT_EQ(r.pageCount(), 2);
    ASSERT_EQ(r.seekPage(1), 0);
    EXPECT_TRUE(r.pageHeader().fine());
    EXPECT_EQ(cover.zoom, 208);
    EXPECT_TRUE(cover.breakMode);
    ASSERT_EQ(cover.calls.size(), 2u);
    EXPECT_EQ(cover.calls[0], (std::vector<int>{49, 49, 1615, 2107, 0}));
    EXPECT_EQ(cover.calls[1][4], 51);
    EXPECT_TRUE(doc.calls.empty());
    EXPECT_EQ(statuses, (std::vector<std::string>{"Creating fax file", "Creating fax file....",
                                                  "Creating fax file........", ""}));
    EXPECT_FALSE(busyNow);
}

TEST_F(Render, HardBreaksMakePagesAndCoverPagesComeFirst)
{
    FakeText cover, doc;
    cover.lines = 1;
    doc.lines = 6;
    doc.breaks = {2, 5}; // two hard page breaks, text short enough for one page
    int count = 0;
    const std::string file = renderer()->CreateFaxFile(cover, doc, count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(files(), QStringList{"QLN_1.APF"});
    // Bars per page: cover 1, then the document's 2, 3 and 1.
    std::vector<int> perPage;
    for (int n = 1; n <= 4; ++n)
        perPage.push_back(bars(page(file, n)));
    EXPECT_EQ(perPage, (std::vector<int>{1, 2, 3, 1}));
}

TEST_F(Render, BlankPageHoldsOnlyTheDotNearItsLowerRightCorner)
{
    FakeText cover, doc; // "300 spaces": not empty, paints nothing
    doc.empty = true;
    int count = 0;
    const std::string file = renderer()->CreateFaxFile(cover, doc, count);
    ASSERT_EQ(count, 1);
    const fax::MonoBitmap bm = page(file, 1);
    ASSERT_EQ(bm.height, 2156);
    int black = 0, dotX = -1, dotY = -1;
    for (int y = 0; y < bm.height; ++y)
        for (int x = 0; x < bm.width; ++x)
            if (!bm.pixel(x, y)) {
                ++black;
                dotX = x;
                dotY = y;
            }
    EXPECT_EQ(black, 1);
    EXPECT_EQ(dotX, 50 + 1664 - 5); // after the converter's left margin of 50
    EXPECT_EQ(dotY, 2156 - 5);
}

TEST_F(Render, BothTextsEmptyShowTheMessageAndMakeNothing)
{
    FakeText cover, doc;
    cover.empty = doc.empty = true;
    int count = -1;
    EXPECT_EQ(renderer()->CreateFaxFile(cover, doc, count), "");
    EXPECT_EQ(count, -1);
    EXPECT_EQ(msgs.last().kind, ScriptedMessages::Kind::Message);
    EXPECT_EQ(msgs.last().text, "Fax has no contents or cover sheet");
    EXPECT_TRUE(files().isEmpty());
    EXPECT_FALSE(busyNow);
    EXPECT_EQ(statuses.back(), "");
}

TEST_F(Render, TheFaxTakesTheFirstFreeBaseNumber)
{
    for (const char *name : {"QLN_1.APF", "QLN_2.APF"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    FakeText cover, doc;
    cover.lines = 3;
    doc.lines = 3;
    int count = 0;
    EXPECT_EQ(renderer()->CreateFaxFile(cover, doc, count), data + "QLN_3.APF");
    EXPECT_EQ(files(), (QStringList{"QLN_1.APF", "QLN_2.APF", "QLN_3.APF"}));
}

TEST_F(Render, BitmapInMemoryGivesTheSamePagesAsTheBitmapFile)
{
    FakeText text, none;
    text.lines = 70;
    none.empty = true;
    int count = 0;
    auto r = renderer();
    const std::string inMemory = r->CreateFaxFile(text, none, count);
    r->useBitmapFile = true;
    const std::string viaFile = r->CreateFaxFile(text, none, count);
    ASSERT_NE(inMemory, viaFile);
    EXPECT_FALSE(QFile::exists(dir.filePath("_TMP.BMP")));
    fax::ApfReader a, b;
    ASSERT_EQ(a.open(inMemory), 0);
    ASSERT_EQ(b.open(viaFile), 0);
    ASSERT_EQ(a.pageCount(), 2);
    ASSERT_EQ(b.pageCount(), 2);
    for (int n = 1; n <= 2; ++n) {
        ASSERT_EQ(a.seekPage(n), 0);
        ASSERT_EQ(b.seekPage(n), 0);
        EXPECT_EQ(a.pageHeader().flags, b.pageHeader().flags);
        ASSERT_EQ(a.pageRemaining(), b.pageRemaining()) << "page " << n;
        std::vector<uint8_t> da(a.pageRemaining()), db(b.pageRemaining());
        std::size_t ga = 0, gb = 0;
        a.readData(da.data(), da.size(), ga);
        b.readData(db.data(), db.size(), gb);
        EXPECT_EQ(da, db) << "page " << n;
    }
}

TEST_F(Render, MissingPageFileAtTheJoinFailsAndLeavesNoFiles)
{
    FakeText cover, doc;
    cover.lines = 1;
    doc.lines = 2;
    doc.breaks = {1};
    // The second page's file disappears before the join.
    doc.afterPaint = [this](int call) {
        if (call == 2)
            QFile::remove(dir.filePath("QLNAX2.APF"));
    };
    int count = 0;
    auto r = renderer();
    try {
        r->CreateFaxFile(cover, doc, count);
        ADD_FAILURE() << "no error";
    } catch (const EInOutError &e) {
        EXPECT_EQ(e.Code, 2);
    }
    EXPECT_TRUE(files().isEmpty()) << files().join(",").toStdString();
    EXPECT_FALSE(busyNow);
    EXPECT_EQ(statuses.back(), "");
}

TEST_F(Render, UnwritableDataDirectoryFailsWithoutFiles)
{
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const std::string probe = data + "probe";
    int fd = ::open(probe.c_str(), O_CREAT | O_WRONLY, 0600);
    if (fd >= 0) { // a privileged user writes anyway: use a directory nobody can write
        ::close(fd);
        ::unlink(probe.c_str());
        data = "/proc/self/";
    }
    FakeText cover, doc;
    cover.lines = 2;
    doc.lines = 2;
    int count = 0;
    for (bool viaFile : {false, true}) {
        auto r = renderer();
        r->useBitmapFile = viaFile;
        EXPECT_THROW(r->CreateFaxFile(cover, doc, count), std::exception);
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(files().isEmpty());
}

TEST_F(Render, ATextThatStopsAdvancingIsAnError)
{
    struct Stuck : FakeText {
        int paintPage(QPainter &, int, int, int, int, int first) override { return first == 0 ? 3 : first; }
    } stuck;
    FakeText none;
    none.empty = true;
    int count = 0;
    EXPECT_THROW(renderer()->CreateFaxFile(stuck, none, count), std::runtime_error);
    EXPECT_TRUE(files().isEmpty());
}
