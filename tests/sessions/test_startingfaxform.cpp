// The receive-mode notice: its two looks, hiding on its timer or a mouse
// press, and the check box that keeps it from being shown.
#include "common/settings.h"
#include "sessions/startingfaxform.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace qln;

TEST(StartingFaxForm, StartingAndReadyLooksShowTheirParts)
{
    Settings s;
    TStartingFaxForm form(s);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Starting Receive mode..."));
    form.setStartingLook();
    form.showNotice();
    EXPECT_TRUE(form.StartingPanel->isVisible());
    EXPECT_FALSE(form.ReadyPanel->isVisible());
    EXPECT_FALSE(form.OkButton->isVisible());
    EXPECT_FALSE(form.DontShowCheck->isVisible());
    form.setReadyLook();
    EXPECT_FALSE(form.StartingPanel->isVisible());
    EXPECT_TRUE(form.ReadyPanel->isVisible());
    EXPECT_TRUE(form.OkButton->isVisible());
    QStringList texts;
    for (QLabel *l : form.ReadyPanel->findChildren<QLabel *>())
        texts << l->text();
    EXPECT_EQ(texts, (QStringList{"Quillon is in receive mode now", "To end receive mode, press the STOP button",
                                  "While in receive mode, sending faxes is not possible"}));
}

TEST(StartingFaxForm, HidesOnItsTimerOrAMousePressAndStopsTheTimer)
{
    Settings s;
    TStartingFaxForm form(s);
    form.setReadyLook();
    form.showNotice();
    ASSERT_TRUE(form.noticeVisible());
    EXPECT_TRUE(form.Timer->isActive());
    EXPECT_EQ(form.Timer->interval(), 15000);
    form.Timer->start(10);  // the 15 seconds, shortened
    QTest::qWait(100);
    EXPECT_FALSE(form.noticeVisible());
    EXPECT_FALSE(form.Timer->isActive());

    form.showNotice();
    QTest::mouseClick(form.ReadyPanel->findChildren<QLabel *>().first(), Qt::LeftButton);
    EXPECT_FALSE(form.noticeVisible());
    EXPECT_FALSE(form.Timer->isActive());

    form.showNotice();
    form.OkButton->click();
    EXPECT_FALSE(form.noticeVisible());
}

TEST(StartingFaxForm, CheckBoxSetsTheSettingInMemory)
{
    Settings s;
    TStartingFaxForm form(s);
    form.setReadyLook();
    form.DontShowCheck->setChecked(true);
    EXPECT_TRUE(s.disableReceivingFaxesNotification);
    form.DontShowCheck->setChecked(false);
    EXPECT_FALSE(s.disableReceivingFaxesNotification);
}
