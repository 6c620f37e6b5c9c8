// Trace and log dump texts: byte rendering rules, headings, line wrapping,
// the log header and entry columns, and dump failures.
#include "comms/dispatchercodes.h"
#include "comms/dispatchlog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace qln;

namespace {

std::vector<std::string> splitLines(const std::string &s)
{
    std::vector<std::string> out;
    std::istringstream in(s);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

void addText(DispatchTrace &t, char kind, const std::string &s)
{
    t.add(kind, reinterpret_cast<const uint8_t *>(s.data()), s.size());
}

std::string readFile(const std::string &path)
{
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

} // namespace

TEST(TraceBytes, SpaceAndControlBytesFollowTheHexSetting)
{
    EXPECT_EQ(formatTraceByte(' ', true, false), "[20]");
    EXPECT_EQ(formatTraceByte(' ', false, false), " ");
    EXPECT_EQ(formatTraceByte(7, false, false), "[7]");
    EXPECT_EQ(formatTraceByte(13, false, false), "[13]");
    EXPECT_EQ(formatTraceByte(200, false, false), "[200]");
    EXPECT_EQ(formatTraceByte(0x0D, true, false), "[0D]");
    EXPECT_EQ(formatTraceByte(0x7F, true, false), "[7F]");
    EXPECT_EQ(formatTraceByte('A', true, false), "A");
    EXPECT_EQ(formatTraceByte('A', false, true), "[41]");
}

TEST(TraceDump, HeadingsChangeWithDirectionAndOldestEntriesDrop)
{
    DispatchTrace t;
    t.start(8);
    addText(t, 'T', "xxATZ\r");
    addText(t, 'R', "OK");
    addText(t, 'R', "!");
    // 9 bytes into 8 entries: the first 'x' is gone.
    EXPECT_EQ(t.size(), 8u);
    EXPECT_EQ(t.format(true, false), "Transmit: xATZ[0D]\nReceive: OK!\n");
    EXPECT_EQ(t.format(false, false), "Transmit: xATZ[13]\nReceive: OK!\n");
    t.setPaused(true);
    addText(t, 'T', "ignored");
    EXPECT_EQ(t.size(), 8u);
}

TEST(TraceDump, LinesBreakBeforeColumn78)
{
    DispatchTrace t;
    t.start(1000);
    addText(t, 'T', std::string(100, 'a'));
    auto lines = splitLines(t.format(true, false));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Transmit: " + std::string(68, 'a'));
    EXPECT_EQ(lines[1], std::string(32, 'a'));
    // Hexadecimal bytes are never split across lines.
    t.clear();
    std::string ctl(30, '\x01');
    addText(t, 'R', ctl);
    lines = splitLines(t.format(true, false));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 9u + 17 * 4); // "Receive: " + 17 bytes fit in 78
    EXPECT_EQ(lines[1].size(), 13u * 4);
}

TEST(LogDump, HeaderAndEntryColumns)
{
    DispatchLog l;
    l.start(10000);
    const char data[] = "AT\r";
    l.add(dtDispatch, dstWriteCom, 1234, 3, reinterpret_cast<const uint8_t *>(data), 3);
    l.add(dtTriggerAlloc, dstStatus, 61000, 16 | stOutBuffFree, nullptr, 0);
    l.add(dtDispatch, dstModemStatus, 12345678, msCTS | msDSR | msDDCD, nullptr, 0);
    auto lines = splitLines(l.format("COM3", true, false));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "RIZI v3.06");
    EXPECT_EQ(lines[1].rfind("Compiler : ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("Operating System : ", 0), 0u);
    EXPECT_EQ(lines[3], "Device: COM3");
    EXPECT_EQ(lines[4], "Time      Type      SubType       Data      OtherData");
    EXPECT_EQ(lines[5], "--------  --------  ------------  --------  ---------");
    EXPECT_EQ(lines[6], "0001.234  Dispatch  WriteCom      00000003  AT[0D]");
    EXPECT_EQ(lines[7], "0061.000  TrigAllc  Status        00000013  (Output buffer free)");
    EXPECT_EQ(lines[8], "12345.678  Dispatch  Modem status  00000038  (DDCD CTS DSR )");
}

TEST(LogDump, LongDataWrapsIndentedBy44AndOldEntriesMakeRoom)
{
    DispatchLog l;
    l.start(66 + 16 * 3); // room for the 66-byte entry and three bare ones
    std::string bytes(50, 'z');
    l.add(dtUser, dstUser, 0, 1, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    auto lines = splitLines(l.format("COM1", true, false));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[6].size(), 78u);
    EXPECT_EQ(lines[7], std::string(44, ' ') + std::string(16, 'z'));
    for (int i = 0; i < 3; ++i)
        l.add(dtFax, 3, uint32_t(i), 0, nullptr, 0);
    EXPECT_EQ(l.entries().size(), 4u);
    l.add(dtFax, 3, 3, 0, nullptr, 0);
    l.add(dtFax, 3, 4, 0, nullptr, 0);
    EXPECT_EQ(l.entries().front().kind, dtFax); // the long entry made room
    EXPECT_EQ(l.entries().size(), 5u);
}

TEST(LogDump, FaxStatesPrintByRegisteredNames)
{
    DispatchLog::setFaxStateNamer([](int s) -> std::string { return s == 3 ? "tfDial" : "?"; });
    EXPECT_EQ(DispatchLog::subKindName(dtFax, 3), "tfDial");
    DispatchLog::setFaxStateNamer(nullptr);
    EXPECT_EQ(DispatchLog::subKindName(dtFax, 3), "3");
    EXPECT_EQ(DispatchLog::kindName(dtUser), "User");
    EXPECT_EQ(DispatchLog::kindName(dtTriggerHandlerDispose), "TrgHdDsp");
}

TEST(DumpFile, ReplacesOrAppendsAndReportsUnwritablePaths)
{
    char dir[] = "/tmp/qln-dump-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    std::string file = std::string(dir) + "/RIZI.TRC";
    ASSERT_EQ(writeDumpFile(file, "one\n", false), 0);
    ASSERT_EQ(writeDumpFile(file, "two\n", true), 0);
    EXPECT_EQ(readFile(file), "one\ntwo\n");
    ASSERT_EQ(writeDumpFile(file, "three\n", false), 0);
    EXPECT_EQ(readFile(file), "three\n");
    EXPECT_EQ(writeDumpFile(std::string(dir) + "/missing/RIZI.TRC", "x", false), -ENOENT);
    ::unlink(file.c_str());
    ::rmdir(dir);
}
