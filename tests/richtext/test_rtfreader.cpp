// The RTF reader: formatting, paragraphs, page breaks, text decoding, and
// what it must skip without losing the text around it.
#include "richtext/rtfreader.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace qln::richtext;

namespace {

RtfContent read(const char *rtf)
{
    return readRtf(QByteArray(rtf));
}

QStringList texts(const RtfContent &c)
{
    QStringList out;
    for (const RtfParagraph &p : c.paragraphs)
        out << p.text();
    return out;
}

const char *kFonts = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman\\fprq2{\\*\\panose 0202}"
                     "Times New Roman{\\*\\falt Times};}}";

}  // namespace

TEST(RtfReaderFormatting, RunsCarryFontSizeAndStyles)
{
    const QByteArray rtf = QByteArray(kFonts)
                           + "\\f1\\fs28 Big \\b bold\\b0  \\i\\ul both\\ulnone\\i0 \\plain plain\\par}";
    const RtfContent c = readRtf(rtf);
    ASSERT_EQ(c.paragraphs.size(), 1u);
    const auto &runs = c.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_EQ(runs[0].text, "Big ");
    EXPECT_EQ(runs[0].props.font, "Times New Roman");  // sub-groups of the entry are not its name
    EXPECT_EQ(runs[0].props.halfPoints, 28);
    EXPECT_TRUE(runs[1].props.bold);
    EXPECT_FALSE(runs[2].props.bold);
    EXPECT_TRUE(runs[3].props.italic && runs[3].props.underline);
    EXPECT_EQ(runs[4].text, "plain");
    EXPECT_EQ(runs[4].props.font, "Arial");  // \plain goes back to \deff
    EXPECT_EQ(runs[4].props.halfPoints, 24);
    EXPECT_FALSE(runs[4].props.italic || runs[4].props.underline);
}

TEST(RtfReaderFormatting, UnderlineVariantsButNotUnderlineColour)
{
    const RtfContent c = read("{\\rtf1 {\\uldb double}{\\ulwave wave}{\\ulc2 colour}{\\ul\\ul0 off}\\par}");
    const auto &runs = c.paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "doublewave");
    EXPECT_TRUE(runs[0].props.underline);
    EXPECT_EQ(runs[1].text, "colouroff");
    EXPECT_FALSE(runs[1].props.underline);
}

TEST(RtfReaderFormatting, GroupsRestoreCharacterProperties)
{
    const RtfContent c = read("{\\rtf1 a{\\b b{\\i c}d}e\\par}");
    const auto &runs = c.paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 5u);
    EXPECT_FALSE(runs[0].props.bold);
    EXPECT_TRUE(runs[2].props.bold && runs[2].props.italic);
    EXPECT_TRUE(runs[3].props.bold && !runs[3].props.italic);
    EXPECT_FALSE(runs[4].props.bold);
}

TEST(RtfReaderParagraphs, AlignmentIndentsSpacingAndLineHeight)
{
    const RtfContent c = read("{\\rtf1\\pard\\qc\\li720\\ri360\\fi-360\\sb120\\sa240\\sl-300\\slmult0 one\\par"
                              "\\qj\\sl360\\slmult1 two\\par"
                              "\\pard\\qr\\sl280\\slmult0 three\\par"
                              "\\pard four\\par}");
    ASSERT_EQ(c.paragraphs.size(), 4u);
    const RtfParaProps &a = c.paragraphs[0].props;
    EXPECT_EQ(a.align, RtfAlign::Center);
    EXPECT_EQ(a.leftIndent, 720);
    EXPECT_EQ(a.rightIndent, 360);
    EXPECT_EQ(a.firstOffset, -360);
    EXPECT_EQ(a.spaceBefore, 120);
    EXPECT_EQ(a.spaceAfter, 240);
    EXPECT_EQ(a.lineRule, RtfLineRule::Exactly);
    EXPECT_EQ(a.lineValue, 300);
    // Without \pard the paragraph keeps the previous properties.
    const RtfParaProps &b = c.paragraphs[1].props;
    EXPECT_EQ(b.align, RtfAlign::Justify);
    EXPECT_EQ(b.leftIndent, 720);
    EXPECT_EQ(b.lineRule, RtfLineRule::Multiple);
    EXPECT_EQ(b.lineValue, 360);
    const RtfParaProps &d = c.paragraphs[2].props;
    EXPECT_EQ(d.align, RtfAlign::Right);
    EXPECT_EQ(d.leftIndent, 0);
    EXPECT_EQ(d.lineRule, RtfLineRule::AtLeast);
    EXPECT_EQ(c.paragraphs[3].props, RtfParaProps());
}

TEST(RtfReaderParagraphs, StyleContextualSpacingAndPaginationRules)
{
    // As LibreOffice writes them, and Word's document-wide widow control.
    const RtfContent c = read("{\\rtf1{\\stylesheet{\\s20\\sa140 Text Body;}}"
                              "\\pard\\s20\\widctlpar\\sa144\\contextualspace one\\par"
                              "\\pard\\s3\\keep\\keepn two\\par"
                              "\\pard three\\par}");
    ASSERT_EQ(c.paragraphs.size(), 3u);
    const RtfParaProps &a = c.paragraphs[0].props;
    EXPECT_EQ(a.style, 20);
    EXPECT_TRUE(a.contextualSpacing);
    EXPECT_TRUE(a.widowControl);
    EXPECT_FALSE(a.keepNext);
    const RtfParaProps &b = c.paragraphs[1].props;
    EXPECT_EQ(b.style, 3);
    EXPECT_TRUE(b.keepNext);
    EXPECT_TRUE(b.keepTogether);
    EXPECT_FALSE(b.widowControl);
    EXPECT_EQ(c.paragraphs[2].props, RtfParaProps());

    const RtfContent w = read("{\\rtf1\\widowctrl\\pard one\\par\\pard\\nowidctlpar two\\par}");
    ASSERT_EQ(w.paragraphs.size(), 2u);
    EXPECT_TRUE(w.paragraphs[0].props.widowControl);
    EXPECT_FALSE(w.paragraphs[1].props.widowControl);
}

TEST(RtfReaderParagraphs, LastParagraphWithoutParAndEmptyParagraphs)
{
    EXPECT_EQ(texts(read("{\\rtf1 one\\par\\par three}")), (QStringList{"one", "", "three"}));
    // A final \par does not open another paragraph.
    EXPECT_EQ(texts(read("{\\rtf1 one\\par two\\par}")), (QStringList{"one", "two"}));
    // An empty document still has its one paragraph.
    EXPECT_EQ(texts(read("{\\rtf1}")), QStringList{""});
}

TEST(RtfReaderParagraphs, EmptyParagraphKeepsTheSizeOfItsMark)
{
    const RtfContent c = read("{\\rtf1\\fs20 a\\par\\fs48\\par\\fs20 b\\par}");
    ASSERT_EQ(c.paragraphs.size(), 3u);
    EXPECT_EQ(c.paragraphs[1].markProps.halfPoints, 48);
}

TEST(RtfReaderPageBreaks, PageInsideAParagraphSplitsIt)
{
    const RtfContent c = read("{\\rtf1 first\\page second\\par}");
    ASSERT_EQ(texts(c), (QStringList{"first", "second"}));
    EXPECT_FALSE(c.paragraphs[0].props.pageBreakBefore);
    EXPECT_TRUE(c.paragraphs[1].props.pageBreakBefore);
}

TEST(RtfReaderPageBreaks, ParagraphHoldingOnlyPageIsTheBreakParagraph)
{
    const RtfContent c = read("{\\rtf1 first\\par \\page\\par\\pard second\\par}");
    ASSERT_EQ(texts(c), (QStringList{"first", "", "second"}));
    EXPECT_TRUE(c.paragraphs[1].props.pageBreakBefore);
    EXPECT_FALSE(c.paragraphs[2].props.pageBreakBefore);  // \pard after \page does not undo the break
}

TEST(RtfReaderPageBreaks, PagebbAndSections)
{
    const RtfContent c = read("{\\rtf1 a\\par\\pard\\pagebb b\\par\\pard c\\sect\\sectd d\\par"
                              "\\sect\\sectd\\sbknone e\\par f\\page}");
    ASSERT_EQ(texts(c), (QStringList{"a", "b", "c", "d", "e", "f", ""}));
    std::vector<bool> breaks;
    for (const auto &p : c.paragraphs)
        breaks.push_back(p.props.pageBreakBefore);
    // \sect breaks the page unless the next section says \sbknone; a \page
    // at the very end leaves an empty last page.
    EXPECT_EQ(breaks, (std::vector<bool>{false, true, false, true, false, false, true}));
}

TEST(RtfReaderText, UnicodeWithFallbackCharacters)
{
    // \uc1: one fallback character after each \u; \uc2: two; \uc0: none,
    // so the '?' after the last one is text.
    const RtfContent c = read("{\\rtf1 \\u8364?x {\\uc2\\u937\\'3f\\'3fy}\\uc0\\u1046 z\\u-4064?\\par}");
    EXPECT_EQ(c.paragraphs.at(0).text(), QString::fromUtf8("€x ΩyЖz") + QChar(0xF020) + "?");
}

TEST(RtfReaderText, SurrogatePairsAndLoneHalves)
{
    const RtfContent c = read("{\\rtf1 \\u-10179?\\u-8704?|\\u-10179?x|\\u-8704?\\par}");
    const QString expected = QString::fromUtf8("\U0001F600|") + QChar(0xFFFD) + "x|" + QChar(0xFFFD);
    EXPECT_EQ(c.paragraphs.at(0).text(), expected);
}

TEST(RtfReaderText, HexBytesInTheDocumentOrFontCodePage)
{
    // Windows-1252 by default, the document's \ansicpg, a font's charset.
    EXPECT_EQ(read("{\\rtf1\\ansi caf\\'e9 \\'80\\par}").paragraphs.at(0).text(), QString::fromUtf8("café €"));
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg1251 \\'c4\\'e0\\par}").paragraphs.at(0).text(), QString::fromUtf8("Да"));
    const RtfContent c = read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset238 Arial CE;}}"
                              "\\f1 \\'b9\\f0 \\'b9\\par}");
    EXPECT_EQ(c.paragraphs.at(0).text(), QString::fromUtf8("ą¹"));
}

TEST(RtfReaderText, EscapesAndSpecialCharacters)
{
    const RtfContent c = read("{\\rtf1 a\\\\b\\{c\\}\\tab d\\~e\\line f\\emdash\\ldblquote q\\rdblquote\\par}");
    const QString expected = QString("a\\b{c}\td") + QChar(QChar::Nbsp) + "e" + QChar(QChar::LineSeparator)
                             + "f" + QChar(0x2014) + QChar(0x201C) + "q" + QChar(0x201D);
    EXPECT_EQ(c.paragraphs.at(0).text(), expected);
}

TEST(RtfReaderSkipping, TablesPicturesAndUnknownDestinationsKeepTheTextAround)
{
    const RtfContent c = read(
        "{\\rtf1{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}"
        "{\\header hidden header\\par}before\\par"
        "\\trowd\\cellx1000\\cellx2000\\pard\\intbl Name\\cell Phone\\cell\\row"
        "\\pard\\intbl\\cell 555\\cell\\row\\pard "
        "mid{\\pict\\pngblip 89504e47}dle{\\*\\unknowndest secret}\\unknownword text{\\*\\shppict x}\\par"
        "{\\footnote note}after\\par}");
    EXPECT_EQ(texts(c), (QStringList{"before", "Name", "Phone", "555", "middletext", "after"}));
}

TEST(RtfReaderSkipping, BinaryDataIsNotParsed)
{
    // The binary data holds braces and a backslash that must not count.
    QByteArray rtf("{\\rtf1 a{\\pict\\bin6 ");
    rtf.append("}{\\x}\0", 6);
    rtf.append("}b\\par}");
    EXPECT_EQ(readRtf(rtf).paragraphs.at(0).text(), "ab");
}

TEST(RtfReaderSkipping, FieldsShowTheirResult)
{
    const RtfContent c = read(
        "{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt {\\ul site}}} "
        "page {\\field{\\*\\fldinst PAGE}}.\\par}");
    EXPECT_EQ(c.paragraphs.at(0).text(), "see site page .");
    for (const RtfRun &r : c.paragraphs[0].runs)
        EXPECT_EQ(r.mergeTag, 0);
}

TEST(RtfReaderMergeFields, TagAndLabelFromTheField)
{
    const RtfContent c = read(
        "{\\rtf1 To: {\\field{\\*\\fldinst QLNMERGE 1}{\\fldrslt \\b [RECIPIENT]}}"
        "{\\field{\\*\\fldinst QLNMERGE 4}{\\fldrslt [DATE]}}{\\field{\\*\\fldinst QLNMERGE 4}{\\fldrslt [DATE]}}"
        "{\\field{\\*\\fldinst  QLNMERGE   2 }{\\fldrslt }} end\\par}");
    const auto &runs = c.paragraphs.at(0).runs;
    ASSERT_EQ(runs.size(), 6u);
    EXPECT_EQ(runs[1].text, "[RECIPIENT]");
    EXPECT_EQ(runs[1].mergeTag, 1);
    EXPECT_TRUE(runs[1].props.bold);
    // Two equal fields side by side stay two fields.
    EXPECT_EQ(runs[2].mergeTag, 4);
    EXPECT_EQ(runs[3].mergeTag, 4);
    EXPECT_NE(runs[2].fieldId, runs[3].fieldId);
    // A field without result text gets its label.
    EXPECT_EQ(runs[4].text, "[FAX#]");
    EXPECT_EQ(runs[4].mergeTag, 2);
    EXPECT_EQ(runs[5].mergeTag, 0);
}

TEST(RtfReaderPage, PaperAndMargins)
{
    const RtfContent c = read("{\\rtf1\\paperw11906\\paperh16838\\margl1134\\margr567\\margt850\\margb900 x}");
    EXPECT_TRUE(c.hasPageSetup);
    EXPECT_EQ(c.page.width, 11906);
    EXPECT_EQ(c.page.height, 16838);
    EXPECT_EQ(c.page.left, 1134);
    EXPECT_EQ(c.page.right, 567);
    EXPECT_EQ(c.page.top, 850);
    EXPECT_EQ(c.page.bottom, 900);
    EXPECT_FALSE(read("{\\rtf1 x}").hasPageSetup);
}

TEST(RtfReaderMalformed, BrokenInputKeepsWhatCanBeRead)
{
    EXPECT_EQ(texts(read("{\\rtf1 unclosed {\\b group")), QStringList{"unclosed group"});
    EXPECT_EQ(texts(read("{\\rtf1 a}} after the end")), QStringList{"a"});
    EXPECT_EQ(texts(read("{\\rtf1 bad\\'zz hex\\'4")), QStringList{"badzz hex4"});
    EXPECT_EQ(texts(read("{\\rtf1 x\\")), QStringList{"x"});
    // Nesting far deeper than any document: no crash, the outer text stays.
    QByteArray deep("{\\rtf1 outer");
    deep += QByteArray(100000, '{') + "inner" + QByteArray(100000, '}') + " end}";
    const QStringList t = texts(readRtf(deep));
    ASSERT_EQ(t.size(), 1);
    EXPECT_TRUE(t[0].startsWith("outer"));
    EXPECT_TRUE(t[0].endsWith("end"));
    // A parameter beyond int range is clamped, not wrapped.
    EXPECT_EQ(read("{\\rtf1\\li99999999999 x\\par}").paragraphs.at(0).props.leftIndent, 31680);
}

TEST(RtfReaderPlainText, TextThatIsNotRtf)
{
    EXPECT_FALSE(looksLikeRtf("plain {\\rtf1"));
    EXPECT_TRUE(looksLikeRtf("\xEF\xBB\xBF \r\n{\\rtf1"));
    const RtfContent c = readRtf(QByteArray("Dear Sir,\r\n\r\nSee page two.\n\fPage two\n\f\n"));
    EXPECT_EQ(texts(c), (QStringList{"Dear Sir,", "", "See page two.", "Page two", ""}));
    EXPECT_TRUE(c.paragraphs[3].props.pageBreakBefore);
    EXPECT_TRUE(c.paragraphs[4].props.pageBreakBefore);
    // UTF-8 when it is valid UTF-8, else Windows-1252.
    EXPECT_EQ(readRtf(QByteArray("Zo\xC3\xAB")).paragraphs.at(0).text(), QString::fromUtf8("Zoë"));
    EXPECT_EQ(readRtf(QByteArray("Zo\xEB \x80")).paragraphs.at(0).text(), QString::fromUtf8("Zoë €"));
}
