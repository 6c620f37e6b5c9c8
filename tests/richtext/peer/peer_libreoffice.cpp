// RTF against LibreOffice: what Quillon writes, LibreOffice reads with the
// same text, hard page breaks and bold/italic/underline words; what
// LibreOffice writes for a letter (fonts, alignment, indents, page breaks),
// Quillon reads; and Quillon's RTF survives a trip through LibreOffice.
//
// All conversions run once, three soffice calls in one private profile,
// before the tests look at the results.
#include "peertools.h"
#include "richtext/richdocument.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>

using namespace qln::richtext;

namespace {

constexpr unsigned Bold = 1, Italic = 2, Underline = 4;

// A paragraph's text with bold/italic/underline flags per character.
struct Styled {
    QString text;
    std::vector<unsigned> flags;
    void add(const QString &s, unsigned f)
    {
        text += s;
        flags.insert(flags.end(), size_t(s.size()), f);
    }
};

// The words (split at white space) whose every character carries `flag`.
QStringList wordsWith(const std::vector<Styled> &paras, unsigned flag)
{
    QStringList out;
    for (const Styled &p : paras) {
        int i = 0;
        const int n = int(p.text.size());
        while (i < n) {
            while (i < n && p.text[i].isSpace())
                ++i;
            const int start = i;
            bool all = true;
            while (i < n && !p.text[i].isSpace()) {
                all = all && (p.flags[size_t(i)] & flag);
                ++i;
            }
            if (i > start && all)
                out << p.text.mid(start, i - start);
        }
    }
    return out;
}

std::vector<Styled> styledOf(const QTextDocument *doc)
{
    std::vector<Styled> out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        Styled s;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            unsigned flags = (f.fontWeight() >= QFont::DemiBold ? Bold : 0) | (f.fontItalic() ? Italic : 0)
                             | (f.fontUnderline() ? Underline : 0);
            s.add(it.fragment().text(), flags);
        }
        out.push_back(s);
    }
    return out;
}

QString decodeEntities(QString s)
{
    static const QRegularExpression numeric(QStringLiteral("&#(x?)([0-9a-fA-F]+);"));
    QString out;
    qsizetype last = 0;
    for (auto it = numeric.globalMatch(s); it.hasNext();) {
        const auto m = it.next();
        out += s.mid(last, m.capturedStart() - last);
        out += QChar(char16_t(m.captured(2).toUInt(nullptr, m.captured(1).isEmpty() ? 10 : 16)));
        last = m.capturedEnd();
    }
    out += s.mid(last);
    out.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    out.replace(QLatin1String("&lt;"), QLatin1String("<"));
    out.replace(QLatin1String("&gt;"), QLatin1String(">"));
    out.replace(QLatin1String("&quot;"), QLatin1String("\""));
    out.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return out;
}

// The paragraphs of LibreOffice's HTML export with their b/i/u flags.
std::vector<Styled> styledOfHtml(const QString &html)
{
    std::vector<Styled> out;
    const qsizetype body = html.indexOf(QLatin1String("<body"));
    static const QRegularExpression token(QStringLiteral("<(/?)([a-zA-Z0-9]+)[^>]*>|[^<]+"));
    int bold = 0, italic = 0, underline = 0;
    bool inPara = false;
    for (auto it = token.globalMatch(html, body < 0 ? 0 : body); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(2).isEmpty()) {
            if (!inPara)
                continue;
            QString text = decodeEntities(m.captured(0));
            text.replace(QLatin1Char('\n'), QLatin1Char(' '));
            // LibreOffice's HTML export lets the marks of a field it keeps
            // (start 0x07, separator 0x03, end 0x08) into the text.
            text.removeIf([](QChar c) { return c.unicode() < 0x20 && c != QLatin1Char('\t'); });
            out.back().add(text, (bold ? Bold : 0) | (italic ? Italic : 0) | (underline ? Underline : 0));
            continue;
        }
        const bool closing = !m.captured(1).isEmpty();
        const QString tag = m.captured(2).toLower();
        const int step = closing ? -1 : 1;
        if (tag == QLatin1String("p") || tag.startsWith(QLatin1Char('h'))) {
            inPara = !closing;
            if (!closing)
                out.emplace_back();
        } else if (tag == QLatin1String("b") || tag == QLatin1String("strong")) {
            bold += step;
        } else if (tag == QLatin1String("i") || tag == QLatin1String("em")) {
            italic += step;
        } else if (tag == QLatin1String("u")) {
            underline += step;
        }
    }
    return out;
}

QString simplified(const QString &s)
{
    return s.simplified();
}

QString readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QString s = QString::fromUtf8(f.readAll());
    if (s.startsWith(QChar(0xFEFF)))
        s.remove(0, 1);
    return s;
}

QStringList textLines(QString s)
{
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = s.split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// The document Quillon writes for LibreOffice: fonts, runs, alignment,
// merge fields, empty paragraphs, and hard page breaks, one of them empty.
void buildQuillonLetter(RichDocument &d)
{
    d.loadRtf(
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Liberation Sans;}{\\f1 Liberation Serif;}{\\f2 DejaVu Sans Mono;}}"
        "\\pard\\qc\\f0\\fs36\\b Fax Cover Sheet\\par"
        "\\pard\\plain\\f1\\fs24 To: {\\field{\\*\\fldinst QLNMERGE 1}{\\fldrslt [RECIPIENT]}} "
        "at {\\field{\\*\\fldinst QLNMERGE 2}{\\fldrslt [FAX#]}}\\par"
        "\\par"
        "\\pard\\qj\\li720\\fi360 Plain words, {\\b bold words}, {\\i italic words}, {\\ul underlined words} "
        "and {\\b\\i\\ul all three} with Zo\\'eb, 5 \\u8364? and \\u1046?\\u1086?\\u1084?.\\par"
        "\\pard\\qr {\\f2 Courier} right\\par"
        "\\pard\\pagebb Page two\\par"
        "\\pard\\pagebb\\par"
        "\\pard\\pagebb Page four {\\b bold}\\par}");
}

struct Results {
    bool haveOffice = false;
    QString failure;
    QTemporaryDir dir;
    QString quillonRtf, letterFodt;
};

Results *g_results = nullptr;

class LibreOffice : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_results = new Results;
        Results &r = *g_results;
        r.haveOffice = !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
        if (!r.haveOffice)
            return;
        const QString dir = r.dir.path();
        RichDocument d;
        buildQuillonLetter(d);
        r.quillonRtf = dir + "/quillon.rtf";
        if (!d.saveToFile(r.quillonRtf)) {
            r.failure = "cannot write " + r.quillonRtf;
            return;
        }
        r.letterFodt = dir + "/letter.fodt";
        QFile::copy(QStringLiteral(QLN_PEER_DATA "/letter.fodt"), r.letterFodt);
        const QString profile = dir + "/profile";
        for (const auto &[files, format, out] :
             std::vector<std::tuple<QStringList, QString, QString>>{
                 {{r.quillonRtf}, "txt:Text (encoded):UTF8", dir + "/txt"},
                 {{r.quillonRtf}, "html:HTML (StarWriter)", dir + "/html"},
                 {{r.quillonRtf, r.letterFodt}, "rtf", dir + "/rtf"}}) {
            const QString error = peer::convert(profile, files, format, out);
            if (!error.isEmpty()) {
                r.failure = error;
                return;
            }
        }
    }
    void TearDown() override { delete g_results; }
};

#define REQUIRE_OFFICE()                                                   \
    do {                                                                   \
        if (!g_results->haveOffice)                                        \
            GTEST_SKIP() << "soffice (libreoffice-writer-nogui) missing";  \
        ASSERT_TRUE(g_results->failure.isEmpty()) << g_results->failure.toStdString(); \
    } while (0)

RichDocument &quillonLetter()
{
    static RichDocument d;
    static bool built = false;
    if (!built) {
        buildQuillonLetter(d);
        built = true;
    }
    return d;
}

}  // namespace

TEST(QuillonRtfInLibreOffice, SameText)
{
    REQUIRE_OFFICE();
    const QStringList office = textLines(readText(g_results->dir.path() + "/txt/quillon.txt"));
    const QStringList ours = textLines(quillonLetter().document()->toPlainText());
    EXPECT_EQ(office, ours);
    // The merge fields show their labels.
    EXPECT_TRUE(office.join('\n').contains("To: [RECIPIENT] at [FAX#]"));
}

TEST(QuillonRtfInLibreOffice, SamePageBreaksAndStyledWords)
{
    REQUIRE_OFFICE();
    const QString html = readText(g_results->dir.path() + "/html/quillon.html");
    ASSERT_FALSE(html.isEmpty());
    EXPECT_EQ(html.count(QLatin1String("page-break-before: always")), quillonLetter().pageBreakCount());
    const std::vector<Styled> office = styledOfHtml(html);
    const std::vector<Styled> ours = styledOf(quillonLetter().document());
    ASSERT_EQ(office.size(), ours.size());
    for (unsigned flag : {Bold, Italic, Underline})
        EXPECT_EQ(wordsWith(office, flag), wordsWith(ours, flag)) << "flag " << flag;
    for (size_t i = 0; i < ours.size(); ++i)
        EXPECT_EQ(simplified(office[i].text), simplified(ours[i].text));
}

TEST(LibreOfficeRtfInQuillon, LetterWithFontsAlignmentIndentsAndBreaks)
{
    REQUIRE_OFFICE();
    RichDocument d;
    ASSERT_TRUE(d.loadFromFile(g_results->dir.path() + "/rtf/letter.rtf"));
    EXPECT_EQ(d.plainTextWithBreaks(),
              QString::fromUtf8("Quarterly Letter\n9 December 2026\nDear Zoë Müller, this letter has bold words, "
                                "italic words and underlined words in Courier New too.\n\f\n"
                                "Page two costs 5 € at Ørsted.\nRegards\n\f\nPage three"));
    EXPECT_EQ(d.pageBreakCount(), 2);

    QTextDocument *doc = d.document();
    auto align = [&](int block) { return doc->findBlockByNumber(block).blockFormat().alignment() & Qt::AlignHorizontal_Mask; };
    EXPECT_EQ(align(0), Qt::AlignHCenter);
    EXPECT_EQ(align(1), Qt::AlignRight);
    EXPECT_EQ(align(2), Qt::AlignJustify);
    EXPECT_EQ(align(4), Qt::AlignLeft);

    QTextCursor body(doc->findBlockByNumber(2));
    const ParagraphSpacing s = d.paragraphSpacingAt(body);
    EXPECT_NEAR(s.leftIndent, 1440, 2);
    EXPECT_NEAR(s.rightIndent, 720, 2);
    EXPECT_NEAR(s.firstIndent, 2160, 2);
    EXPECT_NEAR(s.spaceBefore, 144, 2);
    EXPECT_NEAR(s.spaceAfter, 288, 2);

    QTextCursor title(doc->begin());
    title.setPosition(1);
    CharAttributes a = d.attributesAt(title);
    EXPECT_EQ(a.fontName, "DejaVu Sans");
    EXPECT_EQ(a.sizePoints, 16);
    EXPECT_TRUE(a.bold);
    const int mono = doc->toPlainText().indexOf("Courier New");
    QTextCursor at(doc);
    at.setPosition(mono + 2);
    a = d.attributesAt(at);
    EXPECT_EQ(a.fontName, "Courier New");
    EXPECT_EQ(a.sizePoints, 10);
    at.setPosition(doc->toPlainText().indexOf("Regards") + 2);
    EXPECT_EQ(d.attributesAt(at).fontName, "Liberation Serif");
    EXPECT_EQ(d.attributesAt(at).sizePoints, 12);

    const std::vector<Styled> styled = styledOf(doc);
    EXPECT_EQ(wordsWith(styled, Bold), (QStringList{"Quarterly", "Letter", "bold"}));  // "words," ends in a plain comma
    EXPECT_EQ(wordsWith(styled, Italic), (QStringList{"italic", "words"}));
    EXPECT_EQ(wordsWith(styled, Underline), (QStringList{"underlined", "words"}));
}

TEST(QuillonRtfThroughLibreOffice, RoundTripKeepsTextBreaksStylesAndFields)
{
    REQUIRE_OFFICE();
    RichDocument back;
    ASSERT_TRUE(back.loadFromFile(g_results->dir.path() + "/rtf/quillon.rtf"));
    RichDocument &ours = quillonLetter();
    EXPECT_EQ(back.plainTextWithBreaks(), ours.plainTextWithBreaks());
    EXPECT_EQ(back.pageBreakCount(), ours.pageBreakCount());
    const std::vector<Styled> a = styledOf(back.document());
    const std::vector<Styled> b = styledOf(ours.document());
    for (unsigned flag : {Bold, Italic, Underline})
        EXPECT_EQ(wordsWith(a, flag), wordsWith(b, flag)) << "flag " << flag;
    for (int i = 0; i < ours.document()->blockCount(); ++i) {
        EXPECT_EQ(back.document()->findBlockByNumber(i).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                  ours.document()->findBlockByNumber(i).blockFormat().alignment() & Qt::AlignHorizontal_Mask)
            << "paragraph " << i;
    }
    // LibreOffice keeps the fields, so the template still fills in.
    EXPECT_EQ(back.mergeFieldCountInText(), 2);
    back.fillMergeFields([](int tag) -> std::optional<QString> {
        return tag == 1 ? QString("Ann") : QString("555-0100");
    });
    EXPECT_TRUE(back.plainTextWithBreaks().contains("To: Ann at 555-0100"));
}

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new LibreOffice);
    return RUN_ALL_TESTS();
}
