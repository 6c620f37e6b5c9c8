// Loading and saving the settings: defaults, derived values, what a save
// writes, and placement memory.
#include "common/settings.h"

#include <gtest/gtest.h>

#include "common/ini.h"
#include "testdir.h"

using namespace qln;
using qln::test::TempDir;

TEST(SettingsLoad, FirstStartWithoutFileSetsNoModemAndDefaults)
{
    TempDir d;
    Settings s;
    s.load(d.file("QLN.INI"));
    EXPECT_TRUE(s.noModem);
    EXPECT_EQ(s.comPort, 0);  // taken as 0 while the flag is set
    EXPECT_EQ(s.answerOnRing, 1);
    EXPECT_EQ(s.dialAttempts, 3);
    EXPECT_EQ(s.retryWait, 60);
    EXPECT_EQ(s.faxClass, 1);
    EXPECT_EQ(s.maximumBPS, 9600);
    EXPECT_EQ(s.printOnReceiptPrinter, "System default printer");
    EXPECT_EQ(s.fontName, "Arial");
    EXPECT_EQ(s.fontSize, 10);
    EXPECT_TRUE(s.hintsOn);
}

TEST(SettingsLoad, NoModemFollowsPortAndTelephony)
{
    TempDir d;
    Settings s;
    d.write("QLN.INI", "[Modem]\nComPort=-1\nUseTAPI=1\n");
    s.load(d.file("QLN.INI"));
    EXPECT_FALSE(s.noModem);
    EXPECT_EQ(s.comPort, -1);

    d.write("QLN.INI", "[Modem]\nComPort=0x2\n");
    s.load(d.file("QLN.INI"));
    EXPECT_FALSE(s.noModem);
    EXPECT_EQ(s.comPort, 2);

    d.write("QLN.INI", "[Modem]\nComPort=junk\n");  // not a number: the default -1
    s.load(d.file("QLN.INI"));
    EXPECT_TRUE(s.noModem);
}

TEST(SettingsLoad, OldDefaultPrinterTextStillMeansTheDefaultPrinter)
{
    TempDir d;
    d.write("QLN.INI", "[Receive]\nPrintOnReceiptPrinter=Default Windows Printer\n");
    Settings s;
    s.load(d.file("QLN.INI"));
    EXPECT_EQ(s.printOnReceiptPrinter, kDefaultPrinterText);
    d.write("QLN.INI", "[Receive]\nPrintOnReceiptPrinter=Office_Laser\n");
    s.load(d.file("QLN.INI"));
    EXPECT_EQ(s.printOnReceiptPrinter, "Office_Laser");
}

TEST(SettingsLoad, ReceiveKeysDefaultToSendingValuesJustRead)
{
    TempDir d;
    d.write("QLN.INI", "[Modem]\nInitString=AT&F1\nFaxClass=3\nMaximumBPS=14400\n[Dialing]\nECM=1\n");
    Settings s;
    s.initStringReceive = "stale";  // values in memory before the load do not count
    s.load(d.file("QLN.INI"));
    EXPECT_EQ(s.initStringReceive, "AT&F1");
    EXPECT_EQ(s.faxClassReceive, 3);
    EXPECT_EQ(s.maximumBPSReceive, 14400);
    EXPECT_TRUE(s.ecmReceive);

    d.write("QLN.INI", "[Modem]\nInitString=AT&F1\nInitStringReceive=\nFaxClass=3\nFaxClassReceive=0\n"
                       "MaximumBPSReceive=4800\n[Dialing]\nECM=1\n[Receive]\nECMReceive=0\n");
    s.load(d.file("QLN.INI"));
    EXPECT_EQ(s.initStringReceive, "");  // present but empty is a value
    EXPECT_EQ(s.faxClassReceive, 0);
    EXPECT_EQ(s.maximumBPSReceive, 4800);
    EXPECT_FALSE(s.ecmReceive);
}

TEST(SettingsLoad, PortDevicesFromPortsSection)
{
    TempDir d;
    d.write("QLN.INI", "[Ports]\nCOM3=/dev/ttyUSB0\ncom1=/dev/pts/7\nCOMx=/bad\nCOM0=/bad\n");
    Settings s;
    s.load(d.file("QLN.INI"));
    EXPECT_EQ(s.portDevice(3), "/dev/ttyUSB0");
    EXPECT_EQ(s.portDevice(1), "/dev/pts/7");
    EXPECT_EQ(s.portDevice(2), "/dev/ttyS1");
    EXPECT_EQ(s.portDevices.size(), 2u);
}

TEST(SettingsSave, WritesEveryKeyAndVersionAndReadsBack)
{
    TempDir d;
    Settings s;
    s.load(d.file("QLN.INI"));
    s.comPort = 4;
    s.noModem = false;
    s.userName = "Ann";
    s.fontName = "DejaVu Sans";
    s.dialPrefix = "9,";
    s.ecm = true;
    s.ecmReceive = false;
    s.resetString = "AT&F";
    s.save(d.file("QLN.INI"));

    IniFile ini(d.file("QLN.INI"));
    EXPECT_EQ(ini.readString("Version", "Version", ""), "2.9z Build 8");
    EXPECT_EQ(ini.readString("Dialing", "Timeout", ""), "60");
    EXPECT_EQ(ini.readString("Dialing", "ECM", ""), "1");
    EXPECT_FALSE(ini.sectionExists("Printing"));
    Settings r;
    r.load(d.file("QLN.INI"));
    EXPECT_EQ(r.comPort, 4);
    EXPECT_FALSE(r.noModem);
    EXPECT_EQ(r.userName, "Ann");
    EXPECT_EQ(r.fontName, "DejaVu Sans");
    EXPECT_EQ(r.dialPrefix, "9,");
    EXPECT_TRUE(r.ecm);
    EXPECT_FALSE(r.ecmReceive);
    EXPECT_EQ(r.resetString, "AT&F");
    EXPECT_EQ(r.entries().size(), s.entries().size());
    for (std::size_t i = 0; i < r.entries().size(); ++i)
        EXPECT_EQ(r.entries()[i].value, s.entries()[i].value) << r.entries()[i].key;
}

TEST(SettingsSave, NoModemPortIsNotStoredAsAChoice)
{
    TempDir d;
    Settings s;
    s.load(d.file("QLN.INI"));
    ASSERT_TRUE(s.noModem);
    s.save(d.file("QLN.INI"));
    Settings again;
    again.load(d.file("QLN.INI"));
    EXPECT_TRUE(again.noModem) << "the next start must still run the quick set-up";
}

TEST(SettingsSave, KeepsForeignSectionsAndPlacement)
{
    TempDir d;
    d.write("QLN.INI", "[TMainScreen_Placement]\nLeft=10\n[Printing]\nStretch=1\n[Mine]\nx=y\n");
    Settings s;
    s.load(d.file("QLN.INI"));
    s.save(d.file("QLN.INI"));
    IniFile ini(d.file("QLN.INI"));
    EXPECT_EQ(ini.readInteger("TMainScreen_Placement", "Left", 0), 10);
    EXPECT_EQ(ini.readString("Mine", "x", ""), "y");
    EXPECT_TRUE(ini.readBool("Printing", "Stretch", false));
}

TEST(SettingsSave, UnwritableDirectoryReportsPath)
{
    TempDir d;
    d.write("file", "");
    Settings s;
    const std::string path = d.file("file") + "/QLN.INI";
    s.load(path);
    try {
        s.save(path);
        FAIL() << "save reported success";
    } catch (const IniWriteError &e) {
        EXPECT_STREQ(e.what(), ("Unable to write to " + path).c_str());
    }
}

TEST(SettingsPrinting, OwnLoadAndSaveOnly)
{
    TempDir d;
    d.write("QLN.INI", "[Printing]\nMultiPage=1\nFooter=0x1\n[User]\nName=Bob\n");
    Settings s;
    s.load(d.file("QLN.INI"));
    EXPECT_FALSE(s.multiPage);  // load() leaves printing alone
    s.loadPrintingOptions(d.file("QLN.INI"));
    EXPECT_TRUE(s.multiPage);
    EXPECT_TRUE(s.footer);
    EXPECT_FALSE(s.header);
    s.userName = "Changed";
    s.stretch = true;
    s.savePrintingOptions(d.file("QLN.INI"));
    IniFile ini(d.file("QLN.INI"));
    EXPECT_EQ(ini.readString("User", "Name", ""), "Bob");
    EXPECT_TRUE(ini.readBool("Printing", "Stretch", false));
    EXPECT_FALSE(ini.sectionExists("Version"));
}

TEST(Placement, SectionNameCarriesPixelsPerInchAbove96)
{
    EXPECT_EQ(placementSection("TMainScreen", 96), "TMainScreen_Placement");
    EXPECT_EQ(placementSection("TMainScreen", 72), "TMainScreen_Placement");
    EXPECT_EQ(placementSection("TMainScreen", 120), "TMainScreen_Placement120");
}

TEST(Placement, WriteAndReadBack)
{
    TempDir d;
    IniFile ini(d.file("QLN.INI"));
    writePlacement(ini, "TFaxViewer", 144, {{5, 6, 705, 506}, true});
    IniFile again(d.file("QLN.INI"));
    WindowPlacement p = readPlacement(again, "TFaxViewer", 144, false);
    EXPECT_EQ(p.rect, (Rect{5, 6, 705, 506}));
    EXPECT_TRUE(p.maximized);
    // Nothing stored: zeros, and the window's current maximized state.
    WindowPlacement none = readPlacement(again, "TFaxViewer", 96, true);
    EXPECT_EQ(none.rect, Rect{});
    EXPECT_TRUE(none.maximized);
}

TEST(Placement, RectangleOffScreenIsPulledBack)
{
    // Right edge beyond the screen: shifted left by the excess.
    EXPECT_EQ(keepOnScreen({900, 100, 1300, 400}, 1024, 768), (Rect{624, 100, 1024, 400}));
    // Negative left edge: shifted right so that the left edge is 1.
    EXPECT_EQ(keepOnScreen({-50, -20, 350, 280}, 1024, 768), (Rect{1, 1, 401, 301}));
    // Below the screen.
    EXPECT_EQ(keepOnScreen({10, 700, 410, 1000}, 1024, 768), (Rect{10, 468, 410, 768}));
    // On screen: unchanged.
    EXPECT_EQ(keepOnScreen({10, 10, 100, 100}, 1024, 768), (Rect{10, 10, 100, 100}));
}

TEST(Placement, RestoreRules)
{
    const Rect centred{312, 184, 712, 584};
    PlacementResult r = restorePlacement({{1, 2, 3, 0}, false}, centred, 1024, 768);
    EXPECT_FALSE(r.maximize);
    EXPECT_EQ(r.rect, centred) << "Bottom 0 means nothing stored";
    r = restorePlacement({{900, 10, 1200, 300}, false}, centred, 1024, 768);
    EXPECT_EQ(r.rect, (Rect{724, 10, 1024, 300}));
    r = restorePlacement({{900, 10, 1200, 300}, true}, centred, 1024, 768);
    EXPECT_TRUE(r.maximize);
}

TEST(Placement, CentredOver)
{
    EXPECT_EQ(centredOver(400, 300, {0, 0, 1024, 768}), (Rect{312, 234, 712, 534}));
    EXPECT_EQ(centredOver(200, 100, {100, 100, 500, 400}), (Rect{200, 200, 400, 300}));
}

TEST(Placement, CentringFollowsTheMainWindow)
{
    const Rect screen{0, 0, 1000, 800}, main{100, 100, 500, 400};
    EXPECT_EQ(centreWindow(200, 100, false, main, false, screen), (Rect{200, 200, 400, 300}));
    EXPECT_EQ(centreWindow(200, 100, false, main, true, screen), (Rect{400, 350, 600, 450}));
    EXPECT_EQ(centreWindow(200, 100, true, main, false, screen), (Rect{400, 350, 600, 450}));
}
