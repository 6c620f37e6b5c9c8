// The paragraph properties dialog's conversions between twips and the
// units shown, and what typing into each edit stores.
#include "compose/paragraphvalues.h"

#include "common/messages.h"

#include <gtest/gtest.h>

namespace qln::compose::test {
namespace {

using E = ParagraphEdit;
using Kind = ScriptedMessages::Kind;

class ParagraphValuesTest : public ::testing::Test {
protected:
    void SetUp() override { setMessages(&msgs); }
    void TearDown() override { setMessages(nullptr); }
    static richtext::ParagraphSpacing sample()
    {
        richtext::ParagraphSpacing s;
        s.firstIndent = 2160;  // 1.5 in
        s.leftIndent = 1440;   // 1 in
        s.rightIndent = 720;
        s.spaceBefore = 250;   // 12.5 pt
        s.spaceAfter = 0;
        s.lineHeight = 480;
        return s;
    }
    ScriptedMessages msgs;
};

TEST_F(ParagraphValuesTest, ShowsIndentsInInchesOrCentimetresAndSpacingInWholePoints)
{
    ParagraphValues v(sample(), QLocale::c());
    EXPECT_EQ(v.unit(), LengthUnit::Inch);
    EXPECT_EQ(v.firstIndentMode(), FirstIndentMode::IndentedBy);
    EXPECT_TRUE(v.firstIndentEnabled());
    EXPECT_EQ(v.text(E::FirstIndent), "1.50");
    EXPECT_EQ(v.text(E::LeftIndent), "1.00");
    EXPECT_EQ(v.text(E::RightIndent), "0.50");
    EXPECT_EQ(v.text(E::SpaceBeforePts), "13");
    EXPECT_EQ(v.text(E::SpaceAfterPts), "0");
    EXPECT_EQ(v.text(E::LineHeightPts), "24");
    EXPECT_EQ(v.hint(E::LeftIndent), "Specify left indent for the paragraph in inches");
    EXPECT_EQ(v.hint(E::SpaceBeforePts), "");

    v.setUnit(LengthUnit::Cm);
    EXPECT_EQ(v.text(E::LeftIndent), "2.54");
    EXPECT_EQ(v.text(E::FirstIndent), "3.81");
    EXPECT_EQ(v.hint(E::RightIndent), "Specify right indent for the paragraph in centimeters");
    EXPECT_EQ(v.hint(E::FirstIndent), "Specify first line indent for the paragraph in centimeters");
    // Redisplaying does not change the stored values.
    EXPECT_EQ(v.spacing().leftIndent, 1440);
    EXPECT_EQ(v.spacing().spaceBefore, 250);
}

TEST_F(ParagraphValuesTest, TypedTextIsReadWithTheLocalesDecimalComma)
{
    ParagraphValues v(sample(), QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(v.text(E::LeftIndent), "1,00");
    v.setUnit(LengthUnit::Cm);
    ASSERT_TRUE(v.setText(E::RightIndent, QStringLiteral("2,54")));
    EXPECT_EQ(v.twips(E::RightIndent), 1440);
    ASSERT_TRUE(v.setText(E::SpaceBeforePts, QStringLiteral("12")));
    EXPECT_EQ(v.twips(E::SpaceBeforePts), 240);
    // A decimal point is understood as well.
    ASSERT_TRUE(v.setText(E::RightIndent, QStringLiteral("1.27")));
    EXPECT_EQ(v.twips(E::RightIndent), 720);
    EXPECT_EQ(msgs.calls().size(), 0u);
}

TEST_F(ParagraphValuesTest, SameAsLeftIndentMakesTheFirstLineFollowTheLeftIndent)
{
    richtext::ParagraphSpacing s = sample();
    s.firstIndent = s.leftIndent;
    ParagraphValues v(s, QLocale::c());
    EXPECT_EQ(v.firstIndentMode(), FirstIndentMode::SameAsLeft);
    EXPECT_FALSE(v.firstIndentEnabled());
    ASSERT_TRUE(v.setText(E::LeftIndent, QStringLiteral("0.75")));
    EXPECT_EQ(v.text(E::FirstIndent), "0.75");
    EXPECT_EQ(v.spacing().firstIndent, 1080);
    EXPECT_EQ(v.spacing().leftIndent, 1080);

    // "Indented by" frees it again; choosing "Same as" copies at once.
    v.setFirstIndentMode(FirstIndentMode::IndentedBy);
    ASSERT_TRUE(v.setText(E::FirstIndent, QStringLiteral("2")));
    ASSERT_TRUE(v.setText(E::LeftIndent, QStringLiteral("1")));
    EXPECT_EQ(v.spacing().firstIndent, 2880);
    v.setFirstIndentMode(FirstIndentMode::SameAsLeft);
    EXPECT_EQ(v.text(E::FirstIndent), "1");
    EXPECT_EQ(v.spacing().firstIndent, 1440);
}

TEST_F(ParagraphValuesTest, TextThatIsNotANumberShowsTheConversionErrorAndKeepsTheValue)
{
    ParagraphValues v(sample(), QLocale::c());
    EXPECT_FALSE(v.setText(E::LeftIndent, QStringLiteral("-")));
    ASSERT_EQ(msgs.count(Kind::ErrorBox), 1u);
    EXPECT_EQ(msgs.last().text, "'-' is not a valid floating point value");
    EXPECT_EQ(v.twips(E::LeftIndent), 1440);
    EXPECT_EQ(v.text(E::LeftIndent), "-");  // the edit keeps what was typed
    // Group separators are not numbers either.
    EXPECT_FALSE(v.setText(E::SpaceAfterPts, QStringLiteral("1,000")));
    EXPECT_EQ(v.twips(E::SpaceAfterPts), 0);
    // An empty edit counts as 0, without an error.
    msgs.clear();
    EXPECT_TRUE(v.setText(E::RightIndent, QString()));
    EXPECT_EQ(v.twips(E::RightIndent), 0);
    EXPECT_EQ(msgs.calls().size(), 0u);
}

TEST_F(ParagraphValuesTest, EachEditLandsInItsOwnParagraphValue)
{
    ParagraphValues v(richtext::ParagraphSpacing{}, QLocale::c());
    v.setFirstIndentMode(FirstIndentMode::IndentedBy);
    v.setText(E::FirstIndent, QStringLiteral("0.25"));
    v.setText(E::LeftIndent, QStringLiteral("0.5"));
    v.setText(E::RightIndent, QStringLiteral("0.75"));
    v.setText(E::SpaceBeforePts, QStringLiteral("6"));
    v.setText(E::SpaceAfterPts, QStringLiteral("3"));
    v.setText(E::LineHeightPts, QStringLiteral("14.4"));
    const richtext::ParagraphSpacing s = v.spacing();
    EXPECT_EQ(s.firstIndent, 360);
    EXPECT_EQ(s.leftIndent, 720);
    EXPECT_EQ(s.rightIndent, 1080);
    EXPECT_EQ(s.spaceBefore, 120);
    EXPECT_EQ(s.spaceAfter, 60);
    EXPECT_EQ(s.lineHeight, 288);
}

}  // namespace
}  // namespace qln::compose::test
