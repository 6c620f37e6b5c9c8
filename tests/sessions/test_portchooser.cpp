// The port chooser dialog: its texts, the listed ports, OK and Cancel.
#include "sessions/modemhelpersportchooser.h"
#include "setupfixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace qln;
using qln::test::guiApp;

namespace {

QPushButton *button(QDialog &d, const QString &text)
{
    for (auto *b : d.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

TEST(PortChooser, ShowsTextsAndReturnsTheChosenPort)
{
    guiApp();
    QStringList labels, items;
    QString caption;
    int chosen = ChoosePort(nullptr, {1, 4, 12}, [&](QDialog &d) {
        caption = d.windowTitle();
        for (auto *l : d.findChildren<QLabel *>())
            labels << l->text();
        auto *combo = d.findChild<QComboBox *>();
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        combo->setCurrentIndex(1);
        QTimer::singleShot(0, button(d, "OK"), &QPushButton::click);
    });
    EXPECT_EQ(chosen, 4);
    EXPECT_EQ(caption, "Select Port");
    EXPECT_EQ(labels, (QStringList{"The configured serial port is not valid.", "Please choose another port."}));
    EXPECT_EQ(items, (QStringList{"COM1", "COM4", "COM12"}));
}

TEST(PortChooser, CancelAndAnEmptyListGiveNoPort)
{
    guiApp();
    EXPECT_EQ(ChoosePort(nullptr, {2}, [](QDialog &d) {
                  QTimer::singleShot(0, button(d, "Cancel"), &QPushButton::click);
              }),
              0);
    EXPECT_EQ(ChoosePort(nullptr, {}, [](QDialog &d) {
                  QTimer::singleShot(0, button(d, "OK"), &QPushButton::click);
              }),
              0);
}
