// The RTF writer: everything it writes reads back the same, in 7-bit ASCII.
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <gtest/gtest.h>

using namespace qln::richtext;

namespace {

RtfCharProps props(const char *font, int halfPoints, bool b = false, bool i = false, bool u = false)
{
    RtfCharProps p;
    p.font = font;
    p.halfPoints = halfPoints;
    p.bold = b;
    p.italic = i;
    p.underline = u;
    return p;
}

RtfParagraph para(std::vector<RtfRun> runs, RtfParaProps pp = {}, RtfCharProps mark = props("Arial", 20))
{
    RtfParagraph p;
    p.runs = std::move(runs);
    p.props = pp;
    p.markProps = mark;
    return p;
}

void expectSame(const RtfContent &a, const RtfContent &b)
{
    ASSERT_EQ(a.paragraphs.size(), b.paragraphs.size());
    for (size_t i = 0; i < a.paragraphs.size(); ++i) {
        SCOPED_TRACE("paragraph " + std::to_string(i));
        const RtfParagraph &x = a.paragraphs[i];
        const RtfParagraph &y = b.paragraphs[i];
        EXPECT_EQ(x.props, y.props);
        EXPECT_EQ(x.markProps, y.markProps);
        ASSERT_EQ(x.runs.size(), y.runs.size());
        for (size_t r = 0; r < x.runs.size(); ++r) {
            EXPECT_EQ(x.runs[r].text, y.runs[r].text);
            EXPECT_EQ(x.runs[r].props, y.runs[r].props);
            EXPECT_EQ(x.runs[r].mergeTag, y.runs[r].mergeTag);
        }
    }
}

}  // namespace

TEST(RtfWriterRoundTrip, FormattingParagraphsBreaksAndFieldsReadBackTheSame)
{
    RtfContent c;
    c.page = RtfPageSetup{12240, 15840, 720, 720, 720, 720};
    c.hasPageSetup = true;
    RtfParaProps centred;
    centred.align = RtfAlign::Center;
    centred.leftIndent = 1440;
    centred.rightIndent = 720;
    centred.firstOffset = -360;
    centred.spaceBefore = 120;
    centred.spaceAfter = 240;
    centred.lineRule = RtfLineRule::Exactly;
    centred.lineValue = 300;
    RtfParaProps broken;
    broken.pageBreakBefore = true;
    broken.align = RtfAlign::Justify;
    broken.lineRule = RtfLineRule::Multiple;
    broken.lineValue = 480;
    RtfParaProps right;
    right.align = RtfAlign::Right;
    right.lineRule = RtfLineRule::AtLeast;
    right.lineValue = 400;
    right.style = 7;
    right.contextualSpacing = true;
    right.widowControl = true;
    right.keepNext = true;
    right.keepTogether = true;

    c.paragraphs.push_back(para({{"Plain ", props("Arial", 20)},
                                 {"bold", props("Arial", 20, true)},
                                 {" and ", props("Times New Roman", 28)},
                                 {"all three", props("Courier New", 16, true, true, true)}},
                                centred));
    c.paragraphs.push_back(para({{"To: ", props("Arial", 20)},
                                 {"[RECIPIENT]", props("Arial", 20, true), 1, 1},
                                 {"[DATE]", props("Arial", 20), 4, 2},
                                 {"[DATE]", props("Arial", 20), 4, 3}}));
    c.paragraphs.push_back(para({}, broken, props("Arial", 48)));  // an empty break paragraph
    c.paragraphs.push_back(para({{"after the break", props("Arial", 20)}}, right));
    c.paragraphs.push_back(para({}));

    const QByteArray rtf = writeRtf(c);
    const RtfContent back = readRtf(rtf);
    expectSame(c, back);
    EXPECT_TRUE(back.hasPageSetup);
    EXPECT_EQ(back.page.left, 720);
    EXPECT_EQ(back.page.width, 12240);
    // The two [DATE] fields are still two fields.
    const auto &runs = back.paragraphs[1].runs;
    EXPECT_NE(runs[2].fieldId, runs[3].fieldId);
}

TEST(RtfWriterRoundTrip, EveryCharacterSurvivesAndTheFileIsAscii)
{
    QString text = QString::fromUtf8("Zoë Müller, Ørsted: 5 € — “quoted” {braces} back\\slash ");
    text += QChar(QChar::Nbsp);
    text += QChar(QChar::SoftHyphen);
    text += QString::fromUtf8("Дом Ωμέγα 東京 ") + QString::fromUtf8("\U0001F600") + "\tTab";
    text += QChar(QChar::LineSeparator);
    text += "next line";
    RtfContent c;
    c.paragraphs.push_back(para({{text, props("Arial", 20)}}));
    const QByteArray rtf = writeRtf(c);
    for (char ch : rtf)
        ASSERT_TRUE(static_cast<unsigned char>(ch) < 0x80) << "byte outside 7-bit ASCII";
    EXPECT_EQ(readRtf(rtf).paragraphs.at(0).text(), text);
}

TEST(RtfWriterRoundTrip, FontNamesWithSpecialCharacters)
{
    RtfContent c;
    c.paragraphs.push_back(para({{"a", props("Odd; Font {x}", 20)}, {"b", props(QString::fromUtf8("Schrift Ä").toUtf8().constData(), 20)}}));
    const RtfContent back = readRtf(writeRtf(c));
    ASSERT_EQ(back.paragraphs.at(0).runs.size(), 2u);
    EXPECT_EQ(back.paragraphs[0].runs[0].props.font, "Odd; Font {x}");
    EXPECT_EQ(back.paragraphs[0].runs[1].props.font, QString::fromUtf8("Schrift Ä"));
}

TEST(RtfWriterRoundTrip, ControlCharactersAreDroppedNotWritten)
{
    RtfContent c;
    c.paragraphs.push_back(para({{QString("a") + QChar(0x01) + "b" + QChar('\f') + "c", props("Arial", 20)}}));
    const QByteArray rtf = writeRtf(c);
    EXPECT_EQ(readRtf(rtf).paragraphs.at(0).text(), "abc");
}
