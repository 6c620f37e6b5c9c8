// The send window over its job: the number appears at first activation,
// the edits reach the attempt, "C&lose" and Escape close once no attempt
// runs, and the tip buttons open their "Sending Tip" windows.
#include "common/messages.h"
#include "common/settings.h"
#include "comms/comport.h"
#include "sessions/sendfaxform.h"
#include "sessions/sendingtips.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

using namespace qln;
using Kind = ScriptedMessages::Kind;

namespace {

class SendForm : public ::testing::Test {
protected:
    SendForm()
    {
        setMessages(&msgs);
        settings.comPort = 4;
        TApdComPort::SetPortMapper([](int) { return std::string("/dev/qln-no-such-port"); });
        form = std::make_unique<TSendFaxForm>(settings, dir.path().toStdString() + "/QLN_1.APF",
                                              dir.path().toStdString() + "/");
    }
    ~SendForm() override
    {
        form.reset();
        TApdComPort::SetPortMapper(nullptr);
        setMessages(nullptr);
    }
    QTemporaryDir dir;
    Settings settings;
    ScriptedMessages msgs;
    std::unique_ptr<TSendFaxForm> form;
};

}  // namespace

TEST_F(SendForm, NumberAppearsAtFirstActivationCutTo25)
{
    form->setPhoneNumber(QStringLiteral("1234567890123456789012345678"));
    EXPECT_EQ(form->phoneEdit()->text(), "");
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(form->phoneEdit()->text(), "1234567890123456789012345");
    form->phoneEdit()->setText(QStringLiteral("555"));
    form->hide();
    form->show(); // a later activation keeps what the user typed
    EXPECT_EQ(form->phoneEdit()->text(), "555");
}

TEST_F(SendForm, AnAttemptFromTheButtonUsesTheEditsAndCloseThenEndsTheWindow)
{
    form->setPhoneNumber(QStringLiteral("555-0100"));
    form->setDialPrefix(QStringLiteral("9,"));
    form->setDialSuffix(QStringLiteral("#1"));
    form->setSuffixDisabled(true);
    form->show();
    QApplication::processEvents();
    const SendFaxInputs in = form->inputs();
    EXPECT_EQ(in.phoneNumber, "555-0100");
    EXPECT_EQ(in.dialPrefix, "9,");
    EXPECT_EQ(in.dialSuffix, "#1");
    EXPECT_FALSE(in.disablePrefix);
    EXPECT_TRUE(in.disableSuffix);

    form->sendButton()->click();
    ASSERT_EQ(msgs.count(Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Error Opening Communications Port");
    EXPECT_NE(msgs.last().text.find("Is the serial port COM5 ("), std::string::npos);
    EXPECT_TRUE(form->attempted());
    EXPECT_EQ(form->lastResult(), "Error opening communications port");
    EXPECT_EQ(form->statusLabel()->text(), "");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    form->reject(); // Escape
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(SendForm, TipButtonsOpenTheirTips)
{
    for (int i : {0, 5}) {
        QString caption, text;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            text = box->text();
            box->accept();
        });
        form->tipButton(i)->click();
        EXPECT_EQ(caption, "Sending Tip");
        EXPECT_EQ(text, QString::fromLatin1(sendingTip(i).text));
    }
}
