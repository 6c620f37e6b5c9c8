// The emulated Class 1 modem as a host meets it through its pty: command
// parsing, result codes of line events, dial strings, DTR drop; and the pty
// port's symlink rules.
#include "vline/class1_modem.h"
#include "vline/pty_port.h"
#include "vline/vline_server.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qln::vline {
namespace {

namespace fs = std::filesystem;

class RecordingOwner : public ModemOwner {
public:
    void modemDialled(EmulatedModem &, const std::string &n) override { dialled.push_back(n); }
    void modemAnswered(EmulatedModem &) override { ++answered; }
    void modemHungUp(EmulatedModem &) override { ++hungUp; }
    std::vector<std::string> dialled;
    int answered = 0;
    int hungUp = 0;
};

fs::path makeTempDir()
{
    std::string templ = (fs::temp_directory_path() / "vline-unit-XXXXXX").string();
    char *made = mkdtemp(templ.data());
    return made ? fs::path(made) : fs::path();
}

int openHost(const fs::path &dev)
{
    int fd = ::open(dev.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        cfsetospeed(&tio, B19200);
        cfsetispeed(&tio, B19200);
        tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

class Class1ModemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = makeTempDir();
        ASSERT_FALSE(dir_.empty());
        modem_ = std::make_unique<Class1Modem>(1, owner_, false);
        ASSERT_EQ(modem_->openPort((dir_ / "modem1").string()), "");
        host_ = openHost(dir_ / "modem1");
        ASSERT_GE(host_, 0);
    }
    void TearDown() override
    {
        if (host_ >= 0)
            ::close(host_);
        modem_.reset();
        fs::remove_all(dir_);
    }

    // Runs the modem's clock until the host has read a line starting with
    // one of the final result codes (or 500 blocks = 10 s of line time).
    std::string runUntilFinal(int blocks = 500)
    {
        std::string got;
        for (int i = 0; i < blocks; ++i) {
            modem_->serviceInput();
            modem_->idleBlock(kBlockSamples);
            char buf[256];
            ssize_t n = ::read(host_, buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
            for (const char *final : {"OK\r", "ERROR\r", "BUSY\r", "NO ANSWER\r", "NO CARRIER\r", "VOICE\r", "RING\r"})
                if (got.find(final) != std::string::npos)
                    return got;
        }
        return got;
    }
    std::string command(const std::string &cmd)
    {
        EXPECT_EQ(::write(host_, cmd.data(), cmd.size()), static_cast<ssize_t>(cmd.size()));
        return runUntilFinal();
    }
    static int count(const std::string &text, const std::string &what)
    {
        int n = 0;
        for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
            ++n;
        return n;
    }

    fs::path dir_;
    RecordingOwner owner_;
    std::unique_ptr<Class1Modem> modem_;
    int host_ = -1;
};

TEST_F(Class1ModemTest, CommandsWrittenTogetherAreEachAnswered)
{
    // A host that writes several command lines at once must get a reply to
    // each: the modem's interpreter would otherwise lose the later ones.
    std::string cmds = "ATE0\rAT+FCLASS=1\rAT+FCLASS?\r";
    ASSERT_EQ(::write(host_, cmds.data(), cmds.size()), static_cast<ssize_t>(cmds.size()));
    std::string got;
    for (int i = 0; i < 200 && count(got, "OK\r") < 3; ++i)
        got += runUntilFinal(1);
    EXPECT_EQ(count(got, "OK\r"), 3) << got;
    EXPECT_NE(got.find("\r\n1\r\n"), std::string::npos) << got;
}

TEST_F(Class1ModemTest, DialStringReachesTheExchangeAsDigitsOnly)
{
    command("ATE0\r");
    ::write(host_, "ATDT 1,00\r", 10);
    runUntilFinal(20);
    ASSERT_EQ(owner_.dialled.size(), 1u);
    EXPECT_EQ(owner_.dialled[0], "100");
}

TEST_F(Class1ModemTest, LineOutcomesGiveRealModemResultsAndLeaveCommandMode)
{
    command("ATE0\r");
    const std::pair<LineEvent, const char *> cases[] = {
        {LineEvent::Busy, "BUSY"}, {LineEvent::NoAnswer, "NO ANSWER"}, {LineEvent::Voice, "VOICE"}};
    for (const auto &[event, text] : cases) {
        ::write(host_, "ATD200\r", 7);
        runUntilFinal(10);
        modem_->lineEvent(event);
        std::string got = runUntilFinal(10);
        EXPECT_NE(got.find(text), std::string::npos) << text << ": " << got;
        EXPECT_NE(command("AT\r").find("OK"), std::string::npos) << "no command mode after " << text;
    }
}

TEST_F(Class1ModemTest, RingIsShownAndAnswerAndHangupReachTheExchange)
{
    command("ATE0\r");
    modem_->lineEvent(LineEvent::Ring);
    EXPECT_NE(runUntilFinal(10).find("RING"), std::string::npos);
    ::write(host_, "ATA\r", 4);
    runUntilFinal(20);
    EXPECT_EQ(owner_.answered, 1);
    modem_->lineEvent(LineEvent::Hangup);
    runUntilFinal(20);
    command("ATH\r");
    EXPECT_EQ(owner_.hungUp, 1);
}

TEST_F(Class1ModemTest, DroppingDtrHangsUp)
{
    command("ATE0\r");
    termios tio{};
    tcgetattr(host_, &tio);
    cfsetospeed(&tio, B0);
    tcsetattr(host_, TCSANOW, &tio);
    modem_->checkDtr();
    modem_->checkDtr();  // still low: reported once only
    EXPECT_EQ(owner_.hungUp, 1);
    cfsetospeed(&tio, B19200);
    tcsetattr(host_, TCSANOW, &tio);
    modem_->checkDtr();
    EXPECT_NE(command("AT\r").find("OK"), std::string::npos);
}

TEST_F(Class1ModemTest, HostCanCloseAndReopenThePort)
{
    ::close(host_);
    host_ = openHost(dir_ / "modem1");
    ASSERT_GE(host_, 0);
    EXPECT_NE(command("AT\r").find("OK"), std::string::npos);
}

TEST(PtyPortTest, LinkPointsAtThePtyAndGoesAwayOnClose)
{
    fs::path dir = makeTempDir();
    {
        PtyPort port;
        ASSERT_EQ(port.open((dir / "modem1").string()), "");
        EXPECT_EQ(fs::read_symlink(dir / "modem1").string(), port.slaveName());
        int host = openHost(dir / "modem1");
        ASSERT_GE(host, 0);
        ::write(host, "xyz", 3);
        pollfd pfd{port.masterFd(), POLLIN, 0};
        ASSERT_EQ(poll(&pfd, 1, 2000), 1);  // the pty hands bytes over asynchronously
        EXPECT_EQ(port.queuedInput(), 3u);
        uint8_t buf[8];
        EXPECT_EQ(port.read(buf, sizeof buf), 3u);
        ::close(host);
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "modem1")));
    fs::remove_all(dir);
}

TEST(PtyPortTest, StaleLinkIsReplacedButARegularFileIsNot)
{
    fs::path dir = makeTempDir();
    fs::create_symlink("/nonexistent/pts/99", dir / "modem1");
    PtyPort a;
    EXPECT_EQ(a.open((dir / "modem1").string()), "");
    EXPECT_EQ(fs::read_symlink(dir / "modem1").string(), a.slaveName());

    std::ofstream(dir / "modem2") << "not a device";
    PtyPort b;
    EXPECT_NE(b.open((dir / "modem2").string()), "");
    std::ifstream in(dir / "modem2");
    std::string content;
    std::getline(in, content);
    EXPECT_EQ(content, "not a device");
    fs::remove_all(dir);
}

TEST(ModemListTest, AcceptsKnownClassesAndRejectsTheRest)
{
    std::vector<std::string> classes;
    std::string why;
    EXPECT_TRUE(parseModemList("1,1,2,2.0", classes, why));
    EXPECT_EQ(classes, (std::vector<std::string>{"1", "1", "2", "2.0"}));
    EXPECT_TRUE(parseModemList("1", classes, why));
    EXPECT_EQ(classes.size(), 1u);
    for (const char *bad : {"", "3", "1,,1", "1,", "2.1", "1,1,1,1,1,1,1,1,1,1"})
        EXPECT_FALSE(parseModemList(bad, classes, why)) << bad;
}

} // namespace
} // namespace qln::vline
