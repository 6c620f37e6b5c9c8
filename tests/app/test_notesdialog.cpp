// The notes window's results: Accept gives 1, Cancel, Escape and the close
// box give 2; the notes are cut to 60 characters.
#include "app/editreceivenotes.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace qln;

TEST(EditReceiveNotes, ResultsOfAcceptCancelAndEscape)
{
    auto run = [](auto act) {
        TEditReceiveNotes d;
        d.setDescription(QStringLiteral("From: ACME"));
        d.setNotes(QString(80, QLatin1Char('x')));
        QTimer::singleShot(0, &d, [&d, act] { act(d); });
        return std::make_pair(d.exec(), d.notes());
    };
    const auto accepted = run([](TEditReceiveNotes &d) { d.acceptButton()->click(); });
    EXPECT_EQ(accepted.first, TEditReceiveNotes::kAccepted);
    EXPECT_EQ(accepted.second.size(), TEditReceiveNotes::kMaxNotes);

    EXPECT_EQ(run([](TEditReceiveNotes &d) { d.cancelButton()->click(); }).first,
              TEditReceiveNotes::kCancelled);
    EXPECT_EQ(run([](TEditReceiveNotes &d) { QTest::keyClick(&d, Qt::Key_Escape); }).first,
              TEditReceiveNotes::kCancelled);
    EXPECT_EQ(run([](TEditReceiveNotes &d) { d.close(); }).first, TEditReceiveNotes::kCancelled);
    // Enter in the edit accepts: Accept is the default button.
    EXPECT_EQ(run([](TEditReceiveNotes &d) {
                  QTest::keyClick(d.notesEdit(), Qt::Key_Return);
              }).first,
              TEditReceiveNotes::kAccepted);

    TEditReceiveNotes d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Received Fax Notes"));
    EXPECT_EQ(d.notesEdit()->maxLength(), 60);
    EXPECT_EQ(d.acceptButton()->toolTip(), QStringLiteral("Accept changes made and exit"));
}
