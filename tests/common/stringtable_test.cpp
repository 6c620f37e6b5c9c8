// Library code texts: every documented code has its exact text, lookups by
// absolute code, the system fallback, and damaged tables.
#include "common/stringtable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>

using namespace qln;

namespace {

// The documented texts, written out independently of strings.txt.
const std::map<long, std::string> kDocumented = {
    {0, "OK"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {8, "Insufficient memory"},
    {29, "Write fault"},
    {30, "Read fault"},
    {100, "Disk read error"},
    {101, "Disk is full"},
    {160, "Device write error"},
    {161, "Device read error"},
    {162, "General failure"},
    {1001, "Bad handle passed to com function"},
    {1002, "Bad argument passed to function"},
    {1003, "Got quit message"},
    {1005, "ComPort component not assigned"},
    {1006, "Internal error creating window class"},
    {1009, "Component not compatible with WinSock"},
    {2001, "ie_BadId - Specified comport doesn't exist"},
    {2005, "Specified comport in use"},
    {2007, "ie_NOpen - device not open"},
    {2008, "ie_Open - device already open"},
    {2011, "The ComNumber property of the TApdComPort has not been set"},
    {2012, "Comport was not opened by Tapi"},
    {3001, "No device layer specified"},
    {3005, "Device gone: the port's device was removed or closed"},
    {3006, "Output buffer too small for block"},
    {3007, "Buffer is empty"},
    {4801, "Initializing modem for fax processing"},
    {4802, "Dialing"},
    {4803, "Busy, waiting until redial..."},
    {4804, "Sending page data"},
    {4805, "Sending EOP"},
    {4806, "Error sending page"},
    {4807, "Page accepted by remote"},
    {4808, "Connecting..."},
    {4820, "Waiting for incoming call"},
    {4821, "No connect on this call"},
    {4822, "Answering incoming call"},
    {4823, "Incoming call validated as fax"},
    {4824, "Getting page data"},
    {4825, "Getting end-of-page signal"},
    {4826, "Getting end-of-document status"},
    {4827, "Getting hangup command"},
    {4828, "Got Class 2 FHNG code"},
    {4830, "Switching modes"},
    {4831, "Monitoring for incoming faxes"},
    {4832, "Not monitoring for incoming faxes"},
    {4840, "Getting connection params"},
    {4841, "Got called-station ID"},
    {4842, "User abort"},
    {4843, "Finished"},
    {5001, "No more trigger slots"},
    {5003, "Bad trigger handle"},
    {6001, "Bad format in file list"},
    {6005, "Cancel requested"},
    {6006, "Fatal time out"},
    {6010, "No filename specified in protocol receive"},
    {6011, "File was rejected"},
    {6016, "Protocol aborted"},
    {8001, "File is not an APF file"},
    {8002, "Unsupported graphics file format"},
    {8003, "User aborted fax conversion"},
    {8005, "CreateBitmapIndirect API failure"},
    {8050, "No image loaded into viewer"},
    {8051, "No block of image marked"},
    {8052, "VOVAD.FNT not found, or resource bad"},
    {8055, "Font selected for enhanced text converter too large"},
    {8060, "Fax incompatible with remote fax"},
    {8061, "Bad response from modem"},
    {8062, "Modems failed to train"},
    {8063, "Error while initializing modem"},
    {8064, "Called fax number was busy"},
    {8065, "Called fax number answered with voice"},
    {8066, "Incoming data call"},
    {8067, "No dial tone"},
    {8068, "Failed to connect to remote fax"},
    {8069, "Fax failed in mid-session"},
    {8070, "Fax failed at page end"},
    {8074, "Remote fax did not answer"},
    {8075, "The fax number or dial prefix holds a character a modem cannot dial"},
};

// Builds a "STR0" block from (code, ASCII text) pairs in the given order.
std::vector<std::uint8_t> block(const std::vector<std::pair<std::uint32_t, std::string>> &entries)
{
    std::vector<std::uint8_t> b = {'S', 'T', 'R', '0'};
    auto put = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put(static_cast<std::uint32_t>(entries.size()));
    std::uint32_t off = 8 + 12 * static_cast<std::uint32_t>(entries.size());
    for (const auto &[code, text] : entries) {
        put(code);
        put(off);
        put(static_cast<std::uint32_t>(text.size()));
        off += 2 * static_cast<std::uint32_t>(text.size());
    }
    for (const auto &e : entries)
        for (char c : e.second) {
            b.push_back(static_cast<std::uint8_t>(c));
            b.push_back(0);
        }
    return b;
}

}  // namespace

TEST(LibraryText, EveryDocumentedCodeHasItsExactText)
{
    for (const auto &[code, text] : kDocumented) {
        EXPECT_EQ(libraryText(code), text) << code;
        EXPECT_EQ(libraryText(-code), text) << -code;
        EXPECT_TRUE(hasLibraryText(-code)) << code;
    }
    EXPECT_EQ(libraryStrings().size(), kDocumented.size());
}

TEST(LibraryText, CodesWithoutTextFallBackToTheSystemMessage)
{
    EXPECT_FALSE(hasLibraryText(4900));
    EXPECT_FALSE(hasLibraryText(-8071));
    // errno 13 on this system; whatever the text, it is the cleaned system one.
    EXPECT_EQ(libraryText(-13), systemErrorText(13));
    EXPECT_EQ(libraryText(-13), std::string(std::strerror(13)));
    const std::string unknown = libraryText(-99999);
    EXPECT_FALSE(unknown.empty());
    EXPECT_NE(unknown.find("99999"), std::string::npos) << unknown;
}

TEST(LibraryText, SystemTextHasNoControlCharactersOrDoubleBlanks)
{
    for (long code = 1; code < 140; ++code) {
        const std::string t = systemErrorText(code);
        for (char c : t)
            EXPECT_GE(static_cast<unsigned char>(c), 0x20) << code;
        EXPECT_EQ(t.find("  "), std::string::npos) << code;
    }
}

TEST(StringTableFormat, BuiltinResourcesStartWithSignature)
{
    for (const char *name : {"RIZI_ERROR_STRINGS_ENGLISH", "ADSRMGR_STRINGS"}) {
        auto bytes = builtinResource(name);
        ASSERT_GE(bytes.size(), 8u) << name;
        EXPECT_EQ(std::memcmp(bytes.data(), "STR0", 4), 0) << name;
    }
    EXPECT_TRUE(builtinResource("NO_SUCH_TABLE").empty());
    EXPECT_EQ(stringManagerText(1), "String not found: %d");
    EXPECT_EQ(stringManagerText(2), "Cannot lock resource");
    EXPECT_EQ(stringManagerText(9), "");
}

TEST(StringTableFormat, ParsesAndSearchesByAbsoluteCode)
{
    auto b = block({{1, "one"}, {50, "fifty"}, {7000, "seven thousand"}});
    auto t = StringTable::parse(b.data(), b.size());
    ASSERT_TRUE(t);
    EXPECT_EQ(t->find(50).value_or("?"), "fifty");
    EXPECT_EQ(t->find(-7000).value_or("?"), "seven thousand");
    EXPECT_EQ(t->find(1).value_or("?"), "one");
    EXPECT_FALSE(t->find(0));
    EXPECT_FALSE(t->find(51));
    EXPECT_FALSE(t->find(9999));
}

TEST(StringTableFormat, LongTextsAreCutTo255Characters)
{
    auto b = block({{5, std::string(400, 'x')}});
    auto t = StringTable::parse(b.data(), b.size());
    ASSERT_TRUE(t);
    EXPECT_EQ(t->find(5)->size(), 255u);
}

TEST(StringTableFormat, DamagedBlocksAreRefused)
{
    std::string why;
    auto good = block({{1, "a"}, {2, "b"}});

    auto wrongSig = good;
    wrongSig[3] = '1';
    EXPECT_FALSE(StringTable::parse(wrongSig.data(), wrongSig.size(), &why));
    EXPECT_NE(why.find("STR0"), std::string::npos);

    auto truncated = good;
    truncated.resize(truncated.size() - 1);  // last text runs past the end
    EXPECT_FALSE(StringTable::parse(truncated.data(), truncated.size()));

    auto hugeCount = good;
    hugeCount[7] = 0x7F;  // entry count far beyond the block
    EXPECT_FALSE(StringTable::parse(hugeCount.data(), hugeCount.size()));

    auto unordered = block({{2, "b"}, {1, "a"}});
    EXPECT_FALSE(StringTable::parse(unordered.data(), unordered.size()));

    EXPECT_FALSE(StringTable::parse(nullptr, 0));
    EXPECT_FALSE(StringTable::parse(good.data(), 4));
}

TEST(StringTableFormat, NonAsciiTextsBecomeUtf8)
{
    // "é" (U+00E9) and a surrogate pair for U+1F4E0.
    std::vector<std::uint8_t> b = {'S', 'T', 'R', '0', 1, 0, 0, 0, 9, 0, 0, 0, 20, 0, 0, 0, 3, 0, 0, 0,
                                   0xE9, 0x00, 0x3D, 0xD8, 0xE0, 0xDC};
    auto t = StringTable::parse(b.data(), b.size());
    ASSERT_TRUE(t);
    EXPECT_EQ(*t->find(9), "\xC3\xA9\xF0\x9F\x93\xA0");
}
