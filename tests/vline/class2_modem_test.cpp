// The Class 2 / 2.0 modem's command set as a host meets it before a call:
// class selection, the capability and identification commands, dialling and
// the result codes of failed calls.
#include "vline/class2_modem.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qln::vline {
namespace {

namespace fs = std::filesystem;

class Owner : public ModemOwner {
public:
    void modemDialled(EmulatedModem &, const std::string &n) override { dialled.push_back(n); }
    void modemAnswered(EmulatedModem &) override { ++answered; }
    void modemHungUp(EmulatedModem &) override { ++hungUp; }
    std::vector<std::string> dialled;
    int answered = 0;
    int hungUp = 0;
};

class Class2ModemTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "vline-c2-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        modem_ = std::make_unique<Class2Modem>(3, owner_, GetParam(), dir_.string(), 1, false);
        ASSERT_EQ(modem_->openPort((dir_ / "modem3").string()), "");
        host_ = ::open((dir_ / "modem3").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(host_, 0);
        termios tio{};
        tcgetattr(host_, &tio);
        cfmakeraw(&tio);
        tcsetattr(host_, TCSANOW, &tio);
        command("ATE0");
    }
    void TearDown() override
    {
        ::close(host_);
        modem_.reset();
        fs::remove_all(dir_);
    }
    // Sends one command line; returns the response lines joined by '|'.
    std::string command(const std::string &cmd)
    {
        std::string line = cmd + "\r";
        EXPECT_EQ(::write(host_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
        return collect();
    }
    std::string collect()
    {
        std::string got;
        for (int i = 0; i < 200; ++i) {
            modem_->serviceInput();
            char buf[256];
            ssize_t n = ::read(host_, buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
            for (const char *final : {"OK\r\n", "ERROR\r\n", "BUSY\r\n", "NO ANSWER\r\n", "VOICE\r\n", "RING\r\n"})
                if (got.size() >= std::strlen(final) && got.compare(got.size() - std::strlen(final), std::strlen(final), final) == 0)
                    return tidy(got);
            usleep(1000);
        }
        return tidy(got);
    }
    static std::string tidy(const std::string &raw)
    {
        std::string out, cur;
        for (char c : raw) {
            if (c == '\r' || c == '\n') {
                if (!cur.empty())
                    out += (out.empty() ? "" : "|") + cur;
                cur.clear();
            } else {
                cur += c;
            }
        }
        return out;
    }
    std::string cls() const { return GetParam() ? "2.0" : "2"; }

    fs::path dir_;
    Owner owner_;
    std::unique_ptr<Class2Modem> modem_;
    int host_ = -1;
};

TEST_P(Class2ModemTest, OffersAndAcceptsOnlyItsOwnFaxClass)
{
    EXPECT_EQ(command("AT+FCLASS=?"), "0," + cls() + "|OK");
    EXPECT_EQ(command("AT+FCLASS=1"), "ERROR");
    EXPECT_EQ(command(GetParam() ? "AT+FCLASS=2" : "AT+FCLASS=2.0"), "ERROR");
    EXPECT_EQ(command("AT+FCLASS=" + cls()), "OK");
    EXPECT_EQ(command("AT+FCLASS?"), cls() + "|OK");
}

TEST_P(Class2ModemTest, FaxCommandsNeedTheFaxClass)
{
    const std::string dis = GetParam() ? "AT+FIS?" : "AT+FDIS?";
    EXPECT_EQ(command(dis), "ERROR");
    command("AT+FCLASS=" + cls());
    EXPECT_EQ(command(dis), "0,5,0,2,0,0,0,0|OK");
}

TEST_P(Class2ModemTest, CapabilitiesChangeOnlyTheGivenPositions)
{
    command("AT+FCLASS=" + cls());
    const std::string dis = GetParam() ? "AT+FIS" : "AT+FDIS";
    EXPECT_EQ(command(dis + "=1,3"), "OK");
    EXPECT_EQ(command(dis + "?"), "1,3,0,2,0,0,0,0|OK");
    EXPECT_EQ(command(dis + "=,,,,,1"), "OK");
    EXPECT_EQ(command(dis + "?"), "1,3,0,2,0,1,0,0|OK");
}

TEST_P(Class2ModemTest, LocalIdentificationIsKeptWithoutItsQuotes)
{
    command("AT+FCLASS=" + cls());
    const std::string lid = GetParam() ? "AT+FLI" : "AT+FLID";
    EXPECT_EQ(command(lid + "=\"+1 555 0003\""), "OK");
    EXPECT_EQ(command(lid + "?"), "\"+1 555 0003\"|OK");
}

TEST_P(Class2ModemTest, BitOrderIsKeptUntilReset)
{
    command("AT+FCLASS=" + cls());
    const std::string bo = GetParam() ? "AT+FBO" : "AT+FBOR";
    EXPECT_EQ(command(bo + "?"), "0|OK");
    EXPECT_EQ(command(bo + "=1"), "OK");
    EXPECT_EQ(command(bo + "?"), "1|OK");
    EXPECT_EQ(command(bo + "=4"), "ERROR");
    command("ATZ");
    command("ATE0");
    command("AT+FCLASS=" + cls());
    EXPECT_EQ(command(bo + "?"), "0|OK");
}

TEST_P(Class2ModemTest, FailedCallsGiveResultCodesAndAllowTheNextDial)
{
    command("AT+FCLASS=" + cls());
    const std::pair<LineEvent, const char *> cases[] = {
        {LineEvent::Busy, "BUSY"}, {LineEvent::NoAnswer, "NO ANSWER"}, {LineEvent::Voice, "VOICE"}};
    for (const auto &[event, text] : cases) {
        std::string cmd = "ATDT 2,00\r";
        ::write(host_, cmd.data(), cmd.size());
        modem_->serviceInput();
        modem_->lineEvent(event);
        EXPECT_EQ(collect(), text);
    }
    EXPECT_EQ(owner_.dialled, (std::vector<std::string>{"200", "200", "200"}));
}

TEST_P(Class2ModemTest, RingThenAnswerReachesTheExchange)
{
    command("AT+FCLASS=" + cls());
    modem_->lineEvent(LineEvent::Ring);
    EXPECT_EQ(collect(), "RING");
    ::write(host_, "ATA\r", 4);
    modem_->serviceInput();
    EXPECT_EQ(owner_.answered, 1);
}

INSTANTIATE_TEST_SUITE_P(Classes, Class2ModemTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? std::string("Class20") : std::string("Class2"); });

} // namespace
} // namespace qln::vline
