// The fax class check against scripted modems: the class replies "0,1,2",
// "0,1,2.0", "2.0", "0,1.0" and garbage, a modem that stays silent (with
// either answer to the no-response question), a reset that fails, a port
// that does not open, the telephony path, and the window around it.
#include "fax/faxsendfax.h"
#include "sessions/faxclasscheck.h"
#include "sessions/faxclasscheckwindow.h"
#include "setupfixture.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

using namespace qln;
using qln::test::answerAsFaxModem;
using qln::test::ScriptedModem;

namespace {

class ClassCheckTest : public qln::test::SetupFixture {
protected:
    void SetUp() override
    {
        SetupFixture::SetUp();
        ports[2] = modem.devicePath();
    }
    ClassCheckOutcome check(FaxClassCheck **keep = nullptr)
    {
        ClassCheckRequest request;
        request.portNumber = 2;
        checker = std::make_unique<FaxClassCheck>(port, fax, request);
        if (keep)
            *keep = checker.get();
        return checker->run();
    }
    void expectUnknownLabels()
    {
        EXPECT_EQ(checker->class1Label(), "Class 1   : unknown");
        EXPECT_EQ(checker->class2Label(), "Class 2   : unknown");
        EXPECT_EQ(checker->class20Label(), "Class 2.0 : unknown");
    }

    ScriptedModem modem;
    fax::TApdSendFax fax;
    std::unique_ptr<FaxClassCheck> checker;
};

const std::string kRecommendTail = "). \r\rIf you experience problems, try other supported classes or auto detect.";

} // namespace

TEST_F(ClassCheckTest, ClassOneAndTwoRecommendClassOne)
{
    answerAsFaxModem(modem, "0,1,2");
    modem.start();
    const auto outcome = check();
    EXPECT_EQ(outcome.index, 0);
    EXPECT_EQ(outcome.name, "Class 1");
    EXPECT_EQ(checker->class1Label(), "Class 1   : Supported (recommended)");
    EXPECT_EQ(checker->class2Label(), "Class 2   : Supported");
    EXPECT_EQ(checker->class20Label(), "Class 2.0 : Not Supported");
    EXPECT_FALSE(checker->class20Bold());
    EXPECT_EQ(checker->status(), "Try using the recommended Fax Class (Class 1" + kRecommendTail);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Beep), 1u);
}

TEST_F(ClassCheckTest, ClassTwoPointOhWithoutTwoCommaIsNotClassTwo)
{
    answerAsFaxModem(modem, "0,1,2.0");
    modem.start();
    EXPECT_EQ(check().index, 0);
    EXPECT_EQ(checker->class2Label(), "Class 2   : Not Supported");
    EXPECT_EQ(checker->class20Label(), "Class 2.0 : Supported");
    EXPECT_FALSE(checker->class20Bold());
}

TEST_F(ClassCheckTest, OnlyClassTwoPointOhIsRecommendedInBold)
{
    answerAsFaxModem(modem, "2.0");
    modem.start();
    const auto outcome = check();
    EXPECT_EQ(outcome.index, 2);
    EXPECT_EQ(outcome.name, "Class 2.0");
    EXPECT_EQ(checker->class1Label(), "Class 1   : Not Supported");
    EXPECT_EQ(checker->class2Label(), "Class 2   : Not Supported");
    // Class 2.0 is marked by the bold label, not by a suffix.
    EXPECT_EQ(checker->class20Label(), "Class 2.0 : Supported");
    EXPECT_TRUE(checker->class20Bold());
    EXPECT_EQ(checker->status(), "Try using the recommended Fax Class (Class 2.0" + kRecommendTail);
}

TEST_F(ClassCheckTest, ClassOnePointOhIsClassOne)
{
    answerAsFaxModem(modem, "0,1.0");
    modem.start();
    EXPECT_EQ(check().index, 0);
    EXPECT_EQ(checker->class1Label(), "Class 1   : Supported (recommended)");
    EXPECT_EQ(checker->class2Label(), "Class 2   : Not Supported");
    EXPECT_EQ(checker->class20Label(), "Class 2.0 : Not Supported");
}

TEST_F(ClassCheckTest, GarbageReplyGivesNoClass)
{
    answerAsFaxModem(modem, "XYZZY");
    modem.start();
    EXPECT_EQ(check().index, -1);
    EXPECT_EQ(checker->status(), "Unable to determine Fax Class support from modem on Com 2");
    expectUnknownLabels();
}

TEST_F(ClassCheckTest, SilentModemAsksAndStopsOnNo)
{
    modem.start();
    msgs.answer(false);
    EXPECT_EQ(check().index, -1);
    const auto asked = msgs.calls().front();
    EXPECT_EQ(asked.kind, ScriptedMessages::Kind::Question);
    EXPECT_EQ(asked.caption, "NO MODEM RESPONSE");
    EXPECT_EQ(asked.text, "The device on COM2 is not responding and may\rnot be a modem. Continue with Fax Class Analysis?");
    EXPECT_EQ(checker->status(), "No response from device on COM2. May not be a modem.");
    expectUnknownLabels();
}

TEST_F(ClassCheckTest, SilentModemOnYesFailsAtTheReset)
{
    modem.start();
    msgs.answer(true);
    EXPECT_EQ(check().index, -1);
    EXPECT_EQ(texts(ScriptedMessages::Kind::Information),
              std::vector<std::string>{std::string("We are unable to continue the test. \r\rThe modem did not respond to the reset "
                                       "string:   (AT&F)\r\rIs the serial port COM2 (" + modem.devicePath() + ") correct? Please\rclick "
                                       "the Find Modem Port button on the Preferences screen to be sure.")});
    EXPECT_EQ(checker->status(), "No response from device on COM2. May not be a modem.");
    expectUnknownLabels();
    EXPECT_EQ(modem.lines(), (std::vector<std::string>{"AT", "ATZ"}));
}

TEST_F(ClassCheckTest, PortThatDoesNotOpenShowsTheOpenMessage)
{
    ports.erase(2);
    EXPECT_EQ(check().index, -1);
    EXPECT_EQ(checker->status(), "Unable to open the specified communications port ( Com2 )");
    expectUnknownLabels();
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Beep), 1u);
}

namespace {

// A telephony device that opens the port on one path and counts releases.
class PathTelephony : public ITelephonyDevice {
public:
    explicit PathTelephony(std::string path) : path_(std::move(path)) {}
    void AttachPort(TApdComPort &p) override { port = &p; }
    TApdComPort *AttachedPort() override { return port; }
    void SelectDevice(const std::string &name) override { selected = name; }
    bool HasSelectedDevice() override { return !selected.empty(); }
    std::string SelectedDeviceName() override { return selected; }
    void ShowSelectionDialog() override {}
    void OpenPort() override
    {
        port->SetDevicePath(path_);
        port->SetOpen(true);
    }
    void DropCallAndRelease() override { ++releases; }
    TApdComPort *port = nullptr;
    std::string selected;
    int releases = 0;

private:
    std::string path_;
};

} // namespace

TEST_F(ClassCheckTest, TelephonyDeviceIsOpenedByNameAndReleasedAtTheEnd)
{
    answerAsFaxModem(modem, "0,2");
    modem.start();
    PathTelephony tel(modem.devicePath());
    ClassCheckRequest request;
    request.portNumber = 1;  // COM1 does not exist: the device is used instead
    request.telephony = true;
    request.device = &tel;
    request.deviceName = "USB fax modem";
    std::vector<std::string> statuses;
    FaxClassCheck check(port, fax, request);
    check.onChange = [&] { statuses.push_back(check.status()); };
    EXPECT_EQ(check.run().index, 1);
    EXPECT_EQ(tel.selected, "USB fax modem");
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Opening USB fax modem...please wait"), statuses.end());
    EXPECT_EQ(check.class2Label(), "Class 2   : Supported (recommended)");
    EXPECT_GE(tel.releases, 2);  // before opening and at the end
    EXPECT_FALSE(port.Open());
}

TEST_F(ClassCheckTest, WindowShowsTheLabelsWithClassTwoPointOhBold)
{
    answerAsFaxModem(modem, "0,2.0");
    modem.start();
    ClassCheckRequest request;
    request.portNumber = 2;
    TCheckFaxClassForm form(port, fax, request);
    EXPECT_EQ(form.windowTitle(), "Finding Fax Class...Please wait");
    EXPECT_EQ(form.classLabel(0)->text(), "Class 1 :");
    EXPECT_EQ(form.statusText(), "Testing Fax Classes...please wait.");
    form.show();
    QElapsedTimer t;
    t.start();
    while (!form.done() && t.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(form.done());
    EXPECT_EQ(form.windowTitle(), "Check Fax Class");
    EXPECT_TRUE(form.okButton()->isVisible());
    EXPECT_EQ(form.outcome().index, 2);
    EXPECT_EQ(form.classLabel(2)->text(), "Class 2.0 : Supported");
    EXPECT_TRUE(form.classLabel(2)->font().bold());
    EXPECT_FALSE(form.classLabel(0)->font().bold());
    EXPECT_TRUE(form.statusText().startsWith("Try using the recommended Fax Class (Class 2.0). \n\nIf you"));
    form.okButton()->click();
    EXPECT_FALSE(form.isVisible());
}
