// The initialisation string helper: the kind and hang-up box preset from the
// current string, the S7 part of the built string, and the three buttons of
// its window.
#include "sessions/initstringhelper.h"
#include "sessions/initstringhelperwindow.h"
#include "setupfixture.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace qln;

TEST(InitStringPreset, KindFollowsTheFirstMatchingMarkerInAnyCase)
{
    struct Case {
        const char *current;
        int kind;
    } cases[] = {
        {"", 0},
        {"AT&F&C1&D2&K3S7=65", 0},
        {"at&h3&i2&r2", 1},
        {"AT&H3&I2&R2S7=90S36=0", 2},
        {"AT&H3&I2&R2S7=90S36=8S33=34", 4},  // S33=34 is tested before S36=8
        {"ATS36=8", 3},
        {"AT&F&C1&D2\\q3", 5},
        {"ATS36=0S33=34", 2},               // S36=0 comes first of all
    };
    for (const auto &c : cases)
        EXPECT_EQ(InitStringHelper::presetKind(c.current), c.kind) << c.current;
}

TEST(InitStringPreset, HangUpBoxNeedsALongerWaitThanTheKindsDefault)
{
    // 80 is not above 90 for a string with &H3, but above 65 without it.
    InitStringHelper usr("AT&H3&I2&R2S7=80", true);
    EXPECT_EQ(usr.kind, 1);
    EXPECT_FALSE(usr.hangUp);
    InitStringHelper hayes("ATS7=80", true);
    EXPECT_EQ(hayes.kind, 0);
    EXPECT_TRUE(hayes.hangUp);

    EXPECT_TRUE(InitStringHelper::presetHangUp("AT&H3S7=120"));
    EXPECT_FALSE(InitStringHelper::presetHangUp("ATS7=65"));
    EXPECT_TRUE(InitStringHelper::presetHangUp("ats7=66"));
    // Six characters from "S7=" without trailing non-digits: "S7=12X" reads 12.
    EXPECT_FALSE(InitStringHelper::presetHangUp("ATS7=12X9"));
    EXPECT_TRUE(InitStringHelper::presetHangUp("ATS7=999S0=0"));
    // No readable number leaves the box unchecked.
    EXPECT_FALSE(InitStringHelper::presetHangUp("ATS7="));
    EXPECT_FALSE(InitStringHelper::presetHangUp("ATS7=X"));
    EXPECT_FALSE(InitStringHelper::presetHangUp("ATS7=8X0"));
    // Without the option the box is never preset.
    EXPECT_FALSE(InitStringHelper("ATS7=120", false).hangUp);
}

TEST(InitStringBuild, BaseThenS7ThenSuffix)
{
    EXPECT_EQ(InitStringHelper::build(4, true, true), "AT&H3&I2&R2S7=120S36=8S33=34");
    EXPECT_EQ(InitStringHelper::build(4, true, false), "AT&H3&I2&R2S7=90S36=8S33=34");
    EXPECT_EQ(InitStringHelper::build(0, true, false), "AT&F&C1&D2&K3S7=65");
    EXPECT_EQ(InitStringHelper::build(0, true, true), "AT&F&C1&D2&K3S7=120");
    // Not offered: S7=65 whatever the kind and the (hidden) box.
    EXPECT_EQ(InitStringHelper::build(2, false, true), "AT&H3&I2&R2S7=65S36=0");
    EXPECT_EQ(InitStringHelper::build(5, false, false), "AT&F&C1&D2\\Q3S7=65");
    EXPECT_EQ(InitStringHelper::build(3, true, false), "AT&H3&I2&R2S7=90S36=8");
}

namespace {

QPushButton *buttonNamed(QDialog &d, const char *name) { return d.findChild<QPushButton *>(name); }

} // namespace

TEST(InitStringWindow, ButtonsReturnBuiltCurrentOrEmptyString)
{
    qln::test::guiApp();
    {
        TModemInitStringHelperForm form("AT&H3&I2&R2S7=80", true);
        EXPECT_EQ(form.windowTitle(), "Modem Initialization String Helper");
        auto *group = form.findChild<QButtonGroup *>();
        ASSERT_TRUE(group);
        EXPECT_TRUE(group->button(1)->isChecked());
        EXPECT_EQ(group->button(5)->text(), "Cirrus Logic or AT&&T modem or Motorola SM56");
        EXPECT_FALSE(form.hangUpBox()->isChecked());
        group->button(4)->click();
        // Clicking the text beside the box toggles it.
        form.show();
        QLabel *text = nullptr;
        for (auto *l : form.findChildren<QLabel *>())
            if (l->text().startsWith("The Faxmodem frequently hangs up"))
                text = l;
        ASSERT_TRUE(text);
        QTest::mouseClick(text, Qt::LeftButton);
        EXPECT_TRUE(form.hangUpBox()->isChecked());
        buttonNamed(form, "OkButton")->click();
        EXPECT_EQ(form.result(), "AT&H3&I2&R2S7=120S36=8S33=34");
    }
    {
        TModemInitStringHelperForm form("ATX3", true);
        buttonNamed(form, "CancelButton")->click();
        EXPECT_EQ(form.result(), "ATX3");
    }
    {
        TModemInitStringHelperForm form("ATX3", false);
        form.show();
        EXPECT_FALSE(form.hangUpBox()->isVisible());
        buttonNamed(form, "BlankButton")->click();
        EXPECT_EQ(form.result(), "");
    }
}
