// Header line and text cover rendering: the enhanced (system font) path
// decoded back to rasters, the choice between it and the built-in fax fonts,
// errors ending the fax, and rendering from worker threads.
#include "fax/faxenhancedrender.h"
#include "fax/faxsend.h"
#include "fax/faxsendfax.h"
#include "fax/faxtextrender.h"
#include "faximage/g3decoder.h"
#include "test_faxsim.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <atomic>

#include <filesystem>
#include <fstream>
#include <thread>

using namespace qln::fax;
using namespace qln::fax::sim;
namespace fs = std::filesystem;

namespace {

// Fonts need a GUI application object; without a display the offscreen
// platform serves.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_headerrender";
        static char *argv[] = {name, nullptr};
        app_ = new QGuiApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QGuiApplication *app_ = nullptr;
};

const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

using Raster = std::vector<uint8_t>;

// Decodes coded scan lines into rasters (every line the decoder hands on).
std::vector<Raster> decode(const std::vector<Bytes> &coded)
{
    std::vector<Raster> rows;
    G3Decoder d([&](const uint8_t *l, int n) { rows.emplace_back(l, l + n); });
    for (const auto &c : coded)
        d.feed(c.data(), c.size());
    uint8_t eop[G3LineEncoder::kEndOfPageLength];
    G3LineEncoder::endOfPageLine(eop);
    d.feed(eop, sizeof eop);
    return rows;
}

bool black(const Raster &r, int x) { return (r[std::size_t(x / 8)] & (0x80 >> (x % 8))) != 0; }

// Leftmost and rightmost black pixel over all rows; -1 when none.
std::pair<int, int> blackSpan(const std::vector<Raster> &rows)
{
    int lo = -1, hi = -1;
    for (const auto &r : rows)
        for (int x = 0; x < int(r.size()) * 8; ++x)
            if (black(r, x)) {
                if (lo < 0 || x < lo)
                    lo = x;
                hi = std::max(hi, x);
            }
    return {lo, hi};
}

QFont pixelFont(const char *family, int pixels)
{
    QFont f(QString::fromLatin1(family));
    f.setPixelSize(pixels);
    return f;
}

std::vector<Bytes> enhanced(const QFont &f, const std::string &text, bool fine, int *rc = nullptr)
{
    std::vector<Bytes> lines;
    int r = renderEnhancedTextLine(f.toString(), text, fine, lines);
    if (rc)
        *rc = r;
    else
        EXPECT_EQ(r, 0);
    return lines;
}

} // namespace

TEST(EnhancedHeader, DecodesToFullWidthRowsWithTheTextInBlack)
{
    const QFont f = TApdSendFax::defaultHeaderFont();
    for (bool fine : {false, true}) {
        SCOPED_TRACE(fine ? "fine" : "normal");
        const auto coded = enhanced(f, "FROM QUILLON 0123 WWW", fine);
        const auto rows = decode(coded);
        // Every coded line is a whole 1728-pixel line.
        ASSERT_EQ(rows.size(), coded.size());
        for (const auto &r : rows)
            ASSERT_EQ(r.size(), 216u);
        const auto [lo, hi] = blackSpan(rows);
        ASSERT_GE(lo, 0) << "no text drawn";
        EXPECT_GE(lo, 16) << "text starts inside the left margin";
        EXPECT_LT(lo, 40);
        EXPECT_LT(hi, 800) << "a short text reaches far across the line";
        if (!fine) {
            // Normal resolution doubles every pixel across.
            for (const auto &r : rows)
                for (int x = 16; x < 1728; x += 2)
                    ASSERT_EQ(black(r, x), black(r, x + 1)) << "pixel " << x;
        }
    }
}

TEST(EnhancedHeader, RowsFollowTheFontHeightDoubledAtFine)
{
    const auto small = enhanced(pixelFont("DejaVu Sans", 13), "Wy", false);
    const auto large = enhanced(pixelFont("DejaVu Sans", 26), "Wy", false);
    const auto fineSmall = enhanced(pixelFont("DejaVu Sans", 13), "Wy", true);
    EXPECT_GE(small.size(), 13u);
    EXPECT_LE(small.size(), 20u);
    EXPECT_GT(large.size(), small.size() + 10);
    // Fine resolution draws the font at twice its size: the rows of the
    // doubled font.
    EXPECT_EQ(fineSmall.size(), large.size());
}

TEST(EnhancedHeader, TextPositionMovesWithLeadingSpaces)
{
    const QFont f = TApdSendFax::defaultHeaderFont();
    const auto plain = blackSpan(decode(enhanced(f, "X", false)));
    const auto shifted = blackSpan(decode(enhanced(f, "          X", false)));
    ASSERT_GE(plain.first, 0);
    EXPECT_GT(shifted.first, plain.first + 40);
    EXPECT_EQ(shifted.second - shifted.first, plain.second - plain.first);
}

TEST(EnhancedHeader, DiffersFromTheBuiltInFont)
{
    for (bool fine : {false, true}) {
        std::vector<Bytes> builtIn;
        ASSERT_EQ(renderFaxTextLine("PAGE 1 OF 2", fine, false, builtIn), 0);
        const auto ours = decode(enhanced(TApdSendFax::defaultHeaderFont(), "PAGE 1 OF 2", fine));
        const auto theirs = decode(builtIn);
        ASSERT_GT(blackSpan(theirs).first, 0);
        EXPECT_NE(ours, theirs);
        EXPECT_NE(ours.size(), theirs.size());
    }
}

TEST(EnhancedHeader, OversizedFontGives8055)
{
    int rc = 0;
    auto lines = enhanced(pixelFont("DejaVu Sans", 400), "X", false, &rc);
    EXPECT_EQ(rc, -8055);
    EXPECT_TRUE(lines.empty());
    // 200 pixels fit at normal resolution but not doubled for fine.
    EXPECT_FALSE(enhanced(pixelFont("DejaVu Sans", 200), "X", false, &rc).empty());
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(enhanced(pixelFont("DejaVu Sans", 200), "X", true, &rc).empty());
    EXPECT_EQ(rc, -8055);
}

TEST(EnhancedHeader, NonUtf8TextIsTakenAsLatin1)
{
    const QFont f = TApdSendFax::defaultHeaderFont();
    // "\xE9" alone is no UTF-8; drawn as e-acute it has ink, like "é".
    const auto latin = decode(enhanced(f, "caf\xE9", false));
    const auto utf8 = decode(enhanced(f, "caf\xC3\xA9", false));
    EXPECT_EQ(latin, utf8);
}

// The component picks the renderer: built-in fonts unless EnhTextEnabled,
// then EnhHeaderFont for the header line and EnhFont for cover text.
TEST(SendFaxRenderer, EnhTextEnabledChoosesTheFonts)
{
    TApdSendFax fax;
    fax.EnhHeaderFont = pixelFont("DejaVu Sans", 13);
    fax.EnhFont = pixelFont("DejaVu Serif", 30);
    const std::string text = "HEADER $P";
    for (bool fine : {false, true}) {
        for (bool large : {false, true}) {
            std::vector<Bytes> builtIn, got;
            ASSERT_EQ(renderFaxTextLine(text, fine, large, builtIn), 0);
            fax.EnhTextEnabled = false;
            ASSERT_EQ(fax.textRenderer()(text, fine, large, got), 0);
            EXPECT_EQ(got, builtIn);

            got.clear();
            fax.EnhTextEnabled = true;
            ASSERT_EQ(fax.textRenderer()(text, fine, large, got), 0);
            EXPECT_EQ(got, enhanced(large ? fax.EnhFont : fax.EnhHeaderFont, text, fine));
            EXPECT_NE(got, builtIn);
        }
    }
    // A renderer given by the caller wins over both.
    fax.HeaderRenderer = [](const std::string &, bool, bool, std::vector<Bytes> &) { return -7; };
    std::vector<Bytes> none;
    EXPECT_EQ(fax.textRenderer()(text, false, false, none), -7);
}

TEST(SendFaxRenderer, FontsAreTakenWhenTheRendererIsMade)
{
    TApdSendFax fax;
    fax.EnhTextEnabled = true;
    fax.EnhHeaderFont = pixelFont("DejaVu Sans", 13);
    const TextLineRenderer r = fax.textRenderer();
    fax.EnhHeaderFont = pixelFont("DejaVu Sans", 40);
    std::vector<Bytes> got;
    ASSERT_EQ(r("X", false, false, got), 0);
    EXPECT_EQ(got, enhanced(pixelFont("DejaVu Sans", 13), "X", false));
}

// Rendering runs on the dispatcher thread while the user-interface thread may
// draw text too: worker threads and the main thread render at once and must
// all get the lines rendered beforehand on the main thread.
TEST(EnhancedHeader, WorkerThreadsRenderLikeTheMainThread)
{
    const EnhancedTextRenderer r(pixelFont("DejaVu Sans", 13), pixelFont("DejaVu Serif", 24));
    struct Job {
        std::string text;
        bool fine, large;
        std::vector<Bytes> expected;
    };
    std::vector<Job> jobs = {{"Page $P of $N 12/09/26", false, false, {}},
                             {"Fine header line", true, false, {}},
                             {"Cover text in serif", false, true, {}},
                             {"Cover text, fine", true, true, {}}};
    for (auto &j : jobs)
        ASSERT_EQ(r(j.text, j.fine, j.large, j.expected), 0);

    std::atomic<int> mismatches{0};
    auto work = [&](std::size_t first) {
        for (int round = 0; round < 12; ++round) {
            const Job &j = jobs[(first + std::size_t(round)) % jobs.size()];
            std::vector<Bytes> got;
            if (r(j.text, j.fine, j.large, got) != 0 || got != j.expected)
                ++mismatches;
        }
    };
    std::thread a(work, 0), b(work, 1);
    work(2);
    a.join();
    b.join();
    EXPECT_EQ(mismatches.load(), 0);
}

namespace {

// Whole Class 1 calls on the scripted modem with the component's renderer.
class HeaderCall : public ::testing::Test {
protected:
    HeaderCall() : remote(link), sender(link, events)
    {
        events.session = &sender;
        char tmpl[] = "/tmp/qln-hdr-XXXXXX";
        dir = ::mkdtemp(tmpl);
        sender.settings.faxClass = fcClass1;
        sender.settings.stationId = "123";
        sender.send.headerLine = "FROM $I PAGE $P";
        fax.EnhTextEnabled = true;
    }
    ~HeaderCall() override { fs::remove_all(dir); }

    void call(const std::string &cover = "")
    {
        std::string file = dir + "/fax.apf";
        writeTestApf(file, 1, 30);
        events.faxes.push_back({"100", file, cover});
        sender.renderer = fax.textRenderer();
        ASSERT_EQ(sender.prepare(), 0);
        sender.start();
        ASSERT_TRUE(link.run(sender));
        ASSERT_FALSE(sender.inProgress());
    }

    SimLink link;
    Class1Remote remote;
    Recorder events;
    FaxSender sender;
    TApdSendFax fax;
    std::string dir;
};

} // namespace

TEST_F(HeaderCall, PageCarriesTheEnhancedHeaderBelowThePreamble)
{
    call();
    ASSERT_EQ(events.finishCode, 0);
    ASSERT_EQ(remote.pages.size(), 1u);
    const auto page = decode({remote.pages[0]});
    const auto header = decode(enhanced(fax.EnhHeaderFont, "FROM 123 PAGE 1", false));
    ASSERT_GT(header.size(), 10u);
    // Eight white lines, the header rows, then the file's 30 lines.
    ASSERT_EQ(page.size(), 8 + header.size() + 30);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(blackSpan({page[std::size_t(i)]}).first, -1);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), page.begin() + 8));
}

TEST_F(HeaderCall, OversizedHeaderFontEndsTheFaxWith8055)
{
    fax.EnhHeaderFont = pixelFont("DejaVu Sans", 400);
    call();
    EXPECT_EQ(events.finishCode, -8055);
    EXPECT_NE(std::find(events.errors.begin(), events.errors.end(), -8055), events.errors.end());
    // The page is cut off before its end and the attempt logged as failed.
    EXPECT_TRUE(remote.pages.empty());
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
}

TEST_F(HeaderCall, TextCoverIsDrawnWithEnhFont)
{
    fax.EnhFont = pixelFont("DejaVu Serif", 24);
    const std::string cover = dir + "/cover.txt";
    std::ofstream(cover) << "TO: $R\r\nSECOND LINE\r\n";
    sender.send.headerRecipient = "ACME";
    call(cover);
    ASSERT_EQ(events.finishCode, 0);
    ASSERT_EQ(remote.pages.size(), 2u);
    const auto page = decode({remote.pages[0]});
    const auto header = decode(enhanced(fax.EnhHeaderFont, "FROM 123 PAGE 1", false));
    const auto first = decode(enhanced(fax.EnhFont, "TO: ACME", false));
    const auto second = decode(enhanced(fax.EnhFont, "SECOND LINE", false));
    ASSERT_EQ(page.size(), 8 + header.size() + first.size() + second.size());
    auto at = page.begin() + std::ptrdiff_t(8 + header.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), at));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), at + std::ptrdiff_t(first.size())));
}

// A text cover page ends with RTC (line start and six EOLs) exactly as a
// page of a stored fax does.
TEST_F(HeaderCall, TextCoverEndsWithRtcLikeEveryPage)
{
    const std::string cover = dir + "/cover.txt";
    std::ofstream(cover) << "ONE LINE\n";
    call(cover);
    ASSERT_EQ(events.finishCode, 0);
    ASSERT_EQ(remote.pages.size(), 2u);
    uint8_t rtc[G3LineEncoder::kEndOfPageLength];
    G3LineEncoder::endOfPageLine(rtc);
    for (const auto &page : remote.pages) {
        ASSERT_GT(page.size(), sizeof rtc);
        EXPECT_TRUE(std::equal(rtc, rtc + sizeof rtc, page.end() - std::ptrdiff_t(sizeof rtc)));
    }
}
