// The converter core: line coding with margin and doubling, placement,
// status and abort, yielding, naming, user input and failure clean-up.
#include <gtest/gtest.h>

#include <QObject>

#include <array>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "apftestutil.h"
#include "faximage/converter.h"
#include "faximage/converterlinecoder.h"
#include "faximage/converterstatusevent.h"
#include "faximage/converteruser.h"
#include "faximage/outputfile.h"
#include "test_converterutil.h"

namespace qln::fax::test {
namespace {

// Decodes one coded line (followed by end-of-page codes to close it).
std::vector<uint8_t> decodeOne(const uint8_t *data, std::size_t len)
{
    std::vector<uint8_t> out;
    G3Decoder dec([&out](const uint8_t *line, int bytes) { out.assign(line, line + bytes); });
    dec.feed(data, len);
    uint8_t eop[12];
    G3LineEncoder::endOfPageLine(eop);
    dec.feed(eop, sizeof eop);
    return out;
}

TEST(RasterLineCoder, MarginAndDoublingPlacePixelsExactly)
{
    std::mt19937 rng(7);
    RasterLineCoder coder;
    for (int width : {1728, 2048})
        for (int margin : {0, 1, 50, 51, 300})
            for (bool dbl : {false, true})
                for (int n = 0; n < 25; ++n) {
                    coder.setGeometry(width, margin, dbl);
                    std::vector<uint8_t> raster(4096, 0);
                    Line l = randomLine(rng, width / 8, n % 5 == 0 ? 2 : 40);
                    std::copy(l.begin(), l.end(), raster.begin());
                    const std::size_t len = coder.code(raster.data());
                    ASSERT_LE(len, 4096u);
                    std::vector<uint8_t> got = decodeOne(coder.data(), len);
                    ASSERT_EQ(got.size(), std::size_t(width / 8)) << "margin " << margin << " dbl " << dbl;
                    const int scale = dbl ? 2 : 1;
                    for (int x = 0; x < width; ++x) {
                        bool expect = x >= margin && pixelAt(raster, (x - margin) / scale);
                        ASSERT_EQ(pixelAt(got, x), expect)
                            << "width " << width << " margin " << margin << " dbl " << dbl << " x " << x;
                    }
                }
}

TEST(RasterLineCoder, BlackFirstPixelAndBlankLines)
{
    RasterLineCoder coder;
    std::vector<uint8_t> raster(4096, 0);
    coder.setGeometry(1728, 0, false);
    raster[0] = 0x80;
    std::size_t len = coder.code(raster.data());
    // Line start, white 0 (00110101), black 1 (010), white 1727 make-up and
    // terminating.
    ASSERT_GE(len, 4u);
    EXPECT_EQ(coder.data()[0], 0x00);
    EXPECT_EQ(coder.data()[1], 0x80);
    std::vector<uint8_t> got = decodeOne(coder.data(), len);
    ASSERT_EQ(got.size(), 216u);
    EXPECT_EQ(got[0], 0x80);
    EXPECT_EQ(blackCount(got), 1);

    raster[0] = 0;
    coder.setGeometry(2048, 50, false);
    len = coder.code(raster.data());
    // Blank wide line: extended make-up 2048 plus white terminating 0.
    got = decodeOne(coder.data(), len);
    EXPECT_EQ(got.size(), 256u);
    EXPECT_EQ(blackCount(got), 0);
}

TEST(ImagePlacement, DoubleWidthHalfHeightAndCentring)
{
    ConverterCore core(nullptr);
    core.flags = coDoubleWidth | coCenterImage;
    core.placeImage(800, PlacementRule::Image);
    EXPECT_TRUE(core.doubleWidth);
    EXPECT_FALSE(core.halfHeight);
    EXPECT_EQ(core.centreOffset, 4); // (1728 - 1600) / 32

    core.placeImage(840, PlacementRule::Image); // 1680 > 1678
    EXPECT_FALSE(core.doubleWidth);
    EXPECT_EQ(core.centreOffset, (1728 - 840) / 16);

    core.placeImage(1720, PlacementRule::Image); // within 15 pixels: no centring
    EXPECT_EQ(core.centreOffset, 0);

    // Bitmaps leave room for the margin on both sides.
    core.placeImage(814, PlacementRule::Bitmap); // 1628 <= 1628
    EXPECT_TRUE(core.doubleWidth);
    EXPECT_EQ(core.centreOffset, (1728 - 2 * (814 + 50)) / 32);
    core.placeImage(815, PlacementRule::Bitmap);
    EXPECT_FALSE(core.doubleWidth);
    core.placeImage(1700, PlacementRule::Bitmap);
    EXPECT_EQ(core.centreOffset, 0); // never below 0

    core.flags = coDoubleWidth | coHalfHeight;
    core.placeImage(1000, PlacementRule::Image);
    EXPECT_TRUE(core.halfHeight);
    EXPECT_EQ(core.centreOffset, 0);
    core.fine = true;
    core.placeImage(100, PlacementRule::Image);
    EXPECT_FALSE(core.doubleWidth);
    EXPECT_FALSE(core.halfHeight);
}

class UserInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        cvt.SetInputDocumentType(idUser);
        cvt.SetDocumentFile(dir.file("doc"));
        cvt.SetDefUserExtension("USR");
    }
    TempDir dir;
    TApdFaxConverter cvt;
};

TEST_F(UserInput, LinesFromTheApplicationBecomePages)
{
    std::string opened;
    int reads = 0, closes = 0;
    cvt.OnOpenUserFile = [&](TApdFaxConverter &, const std::string &name) { opened = name; };
    cvt.OnCloseUserFile = [&](TApdFaxConverter &) { ++closes; };
    cvt.OnReadUserLine = [&](TApdFaxConverter &, uint8_t *data, int &len, bool &eop, bool &more) {
        ++reads;
        // Page 1: lines 1..3, end at read 4; page 2: lines 5..6, end at 7.
        if (reads == 4 || reads == 7) {
            eop = true;
            more = reads == 4;
            return;
        }
        data[0] = 0xF0; // four black pixels
        len = 216;
    };
    cvt.SetTopMargin(2);
    cvt.SetStationID("QUILLON TEST");
    cvt.ConvertDocument();
    EXPECT_EQ(opened, dir.file("doc.USR"));
    EXPECT_EQ(closes, 1);
    DecodedFile f = decodeApfFile(dir.file("doc.APF"));
    ASSERT_EQ(f.rc, 0);
    ASSERT_EQ(f.pages.size(), 2u);
    EXPECT_EQ(f.pages[0].lines.size(), 5u); // two top-margin lines + three
    EXPECT_EQ(f.pages[1].lines.size(), 4u);
    EXPECT_EQ(f.pages[0].coded[0], std::vector<uint8_t>({0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}));
    EXPECT_EQ(firstBlack(f.pages[0].lines[2]), 50);
    EXPECT_EQ(blackCount(f.pages[0].lines[2]), 4);
    EXPECT_EQ(f.header.stationText(), "QUILLON TEST");
    EXPECT_EQ(std::string(f.header.stationId.data(), 20), "QUILLON TEST        ");
    EXPECT_NE(f.header.dateTime, 0u);
}

TEST_F(UserInput, WithoutReadHandlerTheDocumentEndsAtOnce)
{
    cvt.ConvertDocument();
    DecodedFile f = decodeApfFile(dir.file("doc.APF"));
    ASSERT_EQ(f.pages.size(), 1u);
    EXPECT_EQ(f.pages[0].header.imageLength, 14u);
    EXPECT_TRUE(f.pages[0].lines.empty());
}

TEST_F(UserInput, StatusReportsAndAbortLeaveNoFile)
{
    std::vector<std::string> seen;
    cvt.OnReadUserLine = [](TApdFaxConverter &, uint8_t *, int &, bool &eop, bool &) { eop = false; };
    cvt.OnStatus = [&](TApdFaxConverter &, bool starting, bool ending, int pages, int lines, long, long,
                       bool &abort) {
        seen.push_back(std::string(starting ? "start" : ending ? "end" : "line") + " " + std::to_string(pages) +
                       "/" + std::to_string(lines));
        abort = lines == 3;
    };
    try {
        cvt.ConvertDocument();
        FAIL() << "no exception";
    } catch (const EFaxConverterError &e) {
        EXPECT_EQ(e.code(), -8003);
        EXPECT_STREQ(e.what(), "User aborted fax conversion");
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"start 0/0", "line 1/1", "line 1/2", "line 1/3"}));
    EXPECT_FALSE(fileExists(dir.file("doc.APF")));
}

TEST_F(UserInput, QuitWhileYieldingGivesGotQuitMessage)
{
    int lines = 0;
    cvt.OnReadUserLine = [&](TApdFaxConverter &, uint8_t *, int &, bool &eop, bool &) { eop = ++lines > 40; };
    cvt.SetOptions(coYieldOften);
    EXPECT_EQ(cvt.Options(), unsigned(coYield | coYieldOften));
    int yields = 0;
    cvt.YieldHandler = [&]() { return ++yields < 2; };
    EXPECT_EQ(cvt.convertDocument(), ecGotQuitMsg);
    EXPECT_EQ(lines, 32); // yields at lines 16 and 32
    EXPECT_FALSE(fileExists(dir.file("doc.APF")));
}

// A status window that records the reports and aborts at the end.
class StatusWindow : public QObject {
public:
    bool event(QEvent *e) override
    {
        if (e->type() != ConverterStatusEvent::eventType())
            return QObject::event(e);
        auto *ev = static_cast<ConverterStatusEvent *>(e);
        reports.push_back({ev->message, ev->wParam, ev->core->currentLine});
        ev->answer = ev->wParam == 2 ? 1 : 0;
        return true;
    }
    std::vector<std::array<int, 3>> reports;
};

TEST(ConverterCoreStatus, StatusWindowGetsMessagesAndCanAbortAtTheEnd)
{
    TempDir dir;
    int reads = 0;
    auto reader = std::make_unique<UserLineReader>(
        "", nullptr,
        [&](uint8_t *, int &, bool &eop, bool &) {
            eop = ++reads > 2;
            return 0;
        },
        nullptr);
    ConverterCore core(std::move(reader));
    StatusWindow window;
    core.statusWindow = &window;
    core.statusCallback = [](ConverterCore &, ConverterStatus) { return true; }; // not used
    EXPECT_EQ(core.convertToFile(dir.file("x"), dir.file("x.apf")), ecUserAbort);
    using R = std::array<int, 3>;
    EXPECT_EQ(window.reports, (std::vector<R>{R{32346, 1, 0}, R{32346, 0, 1}, R{32346, 0, 2}, R{32346, 0, 3},
                                              R{32346, 2, 3}}));
    EXPECT_FALSE(fileExists(dir.file("x.apf")));
}

TEST(ConverterComponent, NamesArgumentsAndOutputFailures)
{
    TempDir dir;
    TApdFaxConverter cvt;
    EXPECT_EQ(cvt.Options(), 13u);
    EXPECT_EQ(cvt.LeftMargin(), 50);
    EXPECT_EQ(cvt.LinesPerPage(), 60);
    EXPECT_EQ(cvt.FontFile(), "VOVAD.FNT");
    EXPECT_EQ(cvt.convertDocument(), ecBadArgument); // idNone
    cvt.SetInputDocumentType(idBitmap);
    EXPECT_THROW(cvt.ConvertDocument(), EFaxConverterError);

    cvt.SetDocumentFile(dir.file("letter.txt"));
    EXPECT_EQ(cvt.OutFileName(), dir.file("letter.APF"));
    cvt.SetOutFileName(dir.file("other"));
    cvt.SetDocumentFile(dir.file("letter.txt")); // same name: output kept
    EXPECT_EQ(cvt.OutFileName(), dir.file("other"));

    // Default extensions: "TXT" for the input, "APF" for the output.
    writeText(dir.file("letter.TXT"), "hello");
    cvt.SetInputDocumentType(idText);
    cvt.SetDocumentFile(dir.file("letter"));
    cvt.SetOutFileName(dir.file("other"));
    EXPECT_EQ(cvt.convertDocument(), 0);
    EXPECT_TRUE(fileExists(dir.file("other.APF")));

    // Missing input: -2, and the output file created first is deleted.
    cvt.SetDocumentFile(dir.file("missing.txt"));
    EXPECT_EQ(cvt.convertDocument(), ecFileNotFound);
    EXPECT_FALSE(fileExists(dir.file("missing.APF")));
    // The output may not overwrite the input.
    cvt.SetDocumentFile(dir.file("letter.TXT"));
    cvt.SetOutFileName(dir.file("letter.TXT"));
    EXPECT_EQ(cvt.convertDocument(), ecBadArgument);
    EXPECT_EQ(readFile(dir.file("letter.TXT")).size(), 5u);
    // Output in a missing directory.
    cvt.SetDocumentFile(dir.file("letter.TXT"));
    cvt.SetOutFileName(dir.file("no/such/dir/x.apf"));
    EXPECT_LT(cvt.convertDocument(), 0);
}

TEST(ConverterComponent, BadOrMissingInputLeavesAnExistingOutputAlone)
{
    TempDir dir;
    TApdFaxConverter cvt;
    writeText(dir.file("good.txt"), "first version");
    cvt.SetInputDocumentType(idText);
    cvt.SetDocumentFile(dir.file("good.txt"));
    cvt.SetOutFileName(dir.file("fax.apf"));
    ASSERT_EQ(cvt.convertDocument(), 0);
    const std::vector<uint8_t> kept = readFile(dir.file("fax.apf"));

    cvt.SetDocumentFile(dir.file("missing.txt"));
    cvt.SetOutFileName(dir.file("fax.apf"));
    EXPECT_EQ(cvt.convertDocument(), ecFileNotFound);
    EXPECT_EQ(readFile(dir.file("fax.apf")), kept);

    writeBytes(dir.file("bad.pcx"), std::vector<uint8_t>(300, 7));
    cvt.SetInputDocumentType(idPcx);
    cvt.SetDocumentFile(dir.file("bad.pcx"));
    cvt.SetOutFileName(dir.file("fax.apf"));
    EXPECT_EQ(cvt.convertDocument(), ecUnsupportedFormat);
    EXPECT_EQ(readFile(dir.file("fax.apf")), kept);

    // An abort half way through a page leaves the old file too.
    cvt.SetInputDocumentType(idText);
    cvt.SetDocumentFile(dir.file("good.txt"));
    cvt.SetOutFileName(dir.file("fax.apf"));
    cvt.OnStatus = [](TApdFaxConverter &, bool, bool, int, int lines, long, long, bool &abort) { abort = lines == 5; };
    EXPECT_EQ(cvt.convertDocument(), ecUserAbort);
    EXPECT_EQ(readFile(dir.file("fax.apf")), kept);
    // Nothing but the inputs and the kept file is left in the directory.
    int files = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 3);
}

TEST(OutputFile, ASignalRemovesTheTemporaryFile)
{
    TempDir dir;
    const std::string path = dir.file("out.apf");
    writeText(path, "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        removeOutputFilesOnSignals();
        OutputFile f;
        if (f.open(path) != 0 || f.write(reinterpret_cast<const uint8_t *>("new data"), 8) != 0)
            ::_exit(3);
        ::raise(SIGTERM);
        ::_exit(4); // not reached: the handler ends the process with the signal
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    std::vector<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"out.apf"});
    EXPECT_EQ(readFile(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_TRUE(sameFile(path, dir.file("./out.apf")));
    EXPECT_FALSE(sameFile(path, dir.file("missing")));
}

} // namespace
} // namespace qln::fax::test
