// Hints can be switched off program-wide and stay up long enough to read.
#include "app/hintcontroller.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QPushButton>
#include <QStyle>
#include <QToolTip>

using namespace qln;

TEST(HintController, OffSwallowsHintsAndOnShowsThem)
{
    HintController hints;
    hints.install();
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay),
              HintController::kHintPauseMs);
    QPushButton button(QStringLiteral("&Send"));
    button.setToolTip(QStringLiteral("Send the currently selected fax"));
    button.show();

    hints.setEnabled(false);
    QHelpEvent off(QEvent::ToolTip, QPoint(2, 2), button.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&button, &off);
    EXPECT_FALSE(QToolTip::isVisible());

    hints.setEnabled(true);
    QHelpEvent on(QEvent::ToolTip, QPoint(2, 2), button.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&button, &on);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), button.toolTip());
    QToolTip::hideText();
}
