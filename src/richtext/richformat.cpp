#include "richtext/richformat.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <QAbstractTextDocumentLayout>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace qln::richtext {

namespace {

constexpr double kDefaultPoints = 10.0;
const char *const kDefaultFont = "Arial";

int twipsOf(double pixels, double ppi)
{
    return int(std::lround(pixels * 1440.0 / ppi));
}

Qt::Alignment alignmentOf(RtfAlign a)
{
    switch (a) {
    case RtfAlign::Right: return Qt::AlignRight;
    case RtfAlign::Center: return Qt::AlignHCenter;
    case RtfAlign::Justify: return Qt::AlignJustify;
    case RtfAlign::Left: break;
    }
    return Qt::AlignLeft;
}

RtfAlign alignOf(Qt::Alignment a)
{
    if (a & Qt::AlignRight)
        return RtfAlign::Right;
    if (a & Qt::AlignHCenter)
        return RtfAlign::Center;
    if (a & Qt::AlignJustify)
        return RtfAlign::Justify;
    return RtfAlign::Left;
}

// The resolution QTextDocumentLayout takes vertical lengths at: it scales
// them by its device's dots per inch over Qt's default, the primary
// screen's logical dots per inch (96 when Qt is told to use 96 dpi, 100
// before there is a screen).
double qtVerticalDpi()
{
    const auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return 100.0;
    if (QCoreApplication::testAttribute(Qt::AA_Use96Dpi))
        return 96.0;
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? std::max(1.0, std::round(screen->logicalDotsPerInchY())) : 100.0;
}

// Sets the pixel values Qt lays out with from the twips properties.
void derivePixels(QTextBlockFormat &f, double ppi)
{
    // Text never starts left of the margin: a negative indent (which RTF
    // allows) is laid out as none.
    const double left = std::max(0.0, pixelsOf(f.intProperty(kLeftTwips), ppi));
    f.setLeftMargin(left);
    f.setRightMargin(std::max(0.0, pixelsOf(f.intProperty(kRightTwips), ppi)));
    f.setTextIndent(std::max(-left, pixelsOf(f.intProperty(kFirstOffsetTwips), ppi)));
    f.setTopMargin(pixelsOf(f.intProperty(kBeforeTwips), qtVerticalDpi()));
    f.setBottomMargin(pixelsOf(f.intProperty(kAfterTwips), qtVerticalDpi()));
    const int value = f.intProperty(kLineValue);
    switch (RtfLineRule(f.intProperty(kLineRule))) {
    case RtfLineRule::AtLeast:
        f.setLineHeight(pixelsOf(value, qtVerticalDpi()), QTextBlockFormat::MinimumHeight);
        break;
    case RtfLineRule::Exactly:
        f.setLineHeight(pixelsOf(value, qtVerticalDpi()), QTextBlockFormat::FixedHeight);
        break;
    case RtfLineRule::Multiple:
        f.setLineHeight(value * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        break;
    case RtfLineRule::Single:
        f.setLineHeight(0, QTextBlockFormat::SingleHeight);
        break;
    }
}

bool samePixels(const QTextBlockFormat &a, const QTextBlockFormat &b)
{
    auto near = [](double x, double y) { return std::abs(x - y) < 1e-6; };
    return near(a.leftMargin(), b.leftMargin()) && near(a.rightMargin(), b.rightMargin())
           && near(a.textIndent(), b.textIndent()) && near(a.topMargin(), b.topMargin())
           && near(a.bottomMargin(), b.bottomMargin()) && near(a.lineHeight(), b.lineHeight())
           && a.lineHeightType() == b.lineHeightType();
}

}  // namespace

void setResolution(QImage &device, double ppi)
{
    const int dotsPerMeter = int(std::lround(ppi / 0.0254));
    device.setDotsPerMeterX(dotsPerMeter);
    device.setDotsPerMeterY(dotsPerMeter);
}

bool isPageBreak(const QTextBlockFormat &f)
{
    return f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
}

RtfParaProps paraPropsOf(const QTextBlockFormat &f, double ppi)
{
    RtfParaProps p;
    p.align = alignOf(f.alignment());
    p.pageBreakBefore = isPageBreak(f);
    if (f.hasProperty(kLeftTwips)) {
        p.leftIndent = f.intProperty(kLeftTwips);
        p.rightIndent = f.intProperty(kRightTwips);
        p.firstOffset = f.intProperty(kFirstOffsetTwips);
        p.spaceBefore = f.intProperty(kBeforeTwips);
        p.spaceAfter = f.intProperty(kAfterTwips);
        p.lineRule = RtfLineRule(f.intProperty(kLineRule));
        p.lineValue = f.intProperty(kLineValue);
        p.style = f.intProperty(kStyleNumber);
        const int flags = f.intProperty(kPaginationFlags);
        p.contextualSpacing = flags & kContextualSpacing;
        p.widowControl = flags & kWidowControl;
        p.keepNext = flags & kKeepNext;
        p.keepTogether = flags & kKeepTogether;
        return p;
    }
    p.leftIndent = twipsOf(f.leftMargin(), ppi);
    p.rightIndent = twipsOf(f.rightMargin(), ppi);
    p.firstOffset = twipsOf(f.textIndent(), ppi);
    p.spaceBefore = twipsOf(f.topMargin(), qtVerticalDpi());
    p.spaceAfter = twipsOf(f.bottomMargin(), qtVerticalDpi());
    switch (f.lineHeightType()) {
    case QTextBlockFormat::MinimumHeight:
        p.lineRule = RtfLineRule::AtLeast;
        p.lineValue = twipsOf(f.lineHeight(), qtVerticalDpi());
        break;
    case QTextBlockFormat::FixedHeight:
        p.lineRule = RtfLineRule::Exactly;
        p.lineValue = twipsOf(f.lineHeight(), qtVerticalDpi());
        break;
    case QTextBlockFormat::ProportionalHeight:
        if (std::lround(f.lineHeight()) != 100) {
            p.lineRule = RtfLineRule::Multiple;
            p.lineValue = int(std::lround(f.lineHeight() * 2.4));
        }
        break;
    default:
        break;
    }
    return p;
}

void setParaProps(QTextBlockFormat &f, const RtfParaProps &p, double ppi)
{
    f.setAlignment(alignmentOf(p.align));
    f.setPageBreakPolicy(p.pageBreakBefore ? QTextFormat::PageBreak_AlwaysBefore : QTextFormat::PageBreak_Auto);
    f.setProperty(kLeftTwips, p.leftIndent);
    f.setProperty(kRightTwips, p.rightIndent);
    f.setProperty(kFirstOffsetTwips, p.firstOffset);
    f.setProperty(kBeforeTwips, p.spaceBefore);
    f.setProperty(kAfterTwips, p.spaceAfter);
    f.setProperty(kLineRule, int(p.lineRule));
    f.setProperty(kLineValue, p.lineValue);
    f.setProperty(kStyleNumber, p.style);
    f.setProperty(kPaginationFlags, (p.contextualSpacing ? kContextualSpacing : 0) | (p.widowControl ? kWidowControl : 0)
                                        | (p.keepNext ? kKeepNext : 0) | (p.keepTogether ? kKeepTogether : 0));
    derivePixels(f, ppi);
}

void applyResolution(QTextDocument *doc, double fromPpi, double toPpi)
{
    QTextCursor cursor(doc);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat old = b.blockFormat();
        QTextBlockFormat f = old;
        if (!f.hasProperty(kLeftTwips))
            setParaProps(f, paraPropsOf(old, fromPpi), toPpi);  // a paragraph from elsewhere
        else
            derivePixels(f, toPpi);
        if (samePixels(f, old) && old.hasProperty(kLeftTwips))
            continue;
        cursor.setPosition(b.position());
        cursor.setBlockFormat(f);
    }
}

RtfCharProps charPropsOf(const QTextCharFormat &f)
{
    RtfCharProps p;
    const QStringList families = f.fontFamilies().toStringList();
    p.font = !families.isEmpty() ? families.front() : f.font().family();
    if (p.font.isEmpty())
        p.font = QString::fromLatin1(kDefaultFont);
    double points = f.fontPointSize();
    if (points <= 0)
        points = f.font().pointSizeF() > 0 ? f.font().pointSizeF() : kDefaultPoints;
    p.halfPoints = std::max(2, int(std::lround(points * 2)));
    p.bold = f.fontWeight() >= QFont::DemiBold;
    p.italic = f.fontItalic();
    p.underline = f.fontUnderline();
    return p;
}

QTextCharFormat charFormatOf(const RtfCharProps &p)
{
    QTextCharFormat f;
    f.setFontFamilies(QStringList{p.font.isEmpty() ? QString::fromLatin1(kDefaultFont) : p.font});
    f.setFontPointSize(p.halfPoints / 2.0);
    f.setFontWeight(p.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(p.italic);
    f.setFontUnderline(p.underline);
    return f;
}

CharAttributes attributesOf(const QTextCharFormat &f)
{
    const RtfCharProps p = charPropsOf(f);
    CharAttributes a;
    a.fontName = p.font;
    a.sizePoints = std::max(1, int(std::lround(p.halfPoints / 2.0)));
    a.bold = p.bold;
    a.italic = p.italic;
    a.underline = p.underline;
    return a;
}

QTextCharFormat charFormatOf(const CharAttributes &a)
{
    RtfCharProps p;
    p.font = a.fontName;
    p.halfPoints = std::max(1, a.sizePoints) * 2;
    p.bold = a.bold;
    p.italic = a.italic;
    p.underline = a.underline;
    return charFormatOf(p);
}

QTextCharFormat withoutMerge(QTextCharFormat f)
{
    f.clearProperty(kMergeTag);
    f.clearProperty(kMergeId);
    return f;
}

namespace {

// Characters a run may not carry into a QTextDocument: paragraph ends
// (a run never holds one), and the object and frame markers Qt reserves.
QString cleanRunText(QString s)
{
    for (QChar &c : s) {
        const char16_t u = c.unicode();
        if (u == '\n' || u == '\r' || u == QChar::ParagraphSeparator)
            c = QChar(QChar::LineSeparator);
        else if (u == QChar::ObjectReplacementCharacter || u == 0xFDD0 || u == 0xFDD1 || u == 0)
            c = QChar(0xFFFD);
    }
    return s;
}

}  // namespace

int buildDocument(QTextDocument *doc, const RtfContent &content, double ppi, int firstMergeId)
{
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    int mergeId = firstMergeId - 1;
    bool first = true;
    // Documents use a handful of formats for thousands of runs.
    std::map<std::tuple<QString, int, bool, bool, bool>, QTextCharFormat> formats;
    auto formatOf = [&formats](const RtfCharProps &p) -> const QTextCharFormat & {
        const auto key = std::make_tuple(p.font, p.halfPoints, p.bold, p.italic, p.underline);
        auto it = formats.find(key);
        if (it == formats.end())
            it = formats.emplace(key, charFormatOf(p)).first;
        return it->second;
    };
    for (const RtfParagraph &p : content.paragraphs) {
        QTextBlockFormat bf;
        setParaProps(bf, p.props, ppi);
        const QTextCharFormat &mark = formatOf(p.markProps);
        if (first) {
            cursor.setBlockFormat(bf);
            cursor.setBlockCharFormat(mark);
            first = false;
        } else {
            cursor.insertBlock(bf, mark);
        }
        int lastField = -1;
        for (const RtfRun &r : p.runs) {
            if (r.mergeTag == 0) {
                cursor.insertText(cleanRunText(r.text), formatOf(r.props));
                continue;
            }
            if (r.fieldId != lastField || r.fieldId == 0)
                ++mergeId;
            lastField = r.fieldId;
            QTextCharFormat cf = formatOf(r.props);
            cf.setProperty(kMergeTag, r.mergeTag);
            cf.setProperty(kMergeId, mergeId);
            cursor.insertText(cleanRunText(r.text), cf);
        }
    }
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    return mergeId;
}

RtfContent contentOf(const QTextDocument *doc, const PageLayout &page, double ppi)
{
    RtfContent c;
    c.page = RtfPageSetup{page.width, page.height, page.left, page.right, page.top, page.bottom};
    c.hasPageSetup = true;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        RtfParagraph p;
        p.props = paraPropsOf(b.blockFormat(), ppi);
        p.markProps = charPropsOf(b.charFormat());
        int lastId = 0;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid())
                continue;
            const QTextCharFormat cf = frag.charFormat();
            if (cf.isImageFormat())
                continue;  // pictures are not kept
            QString text = frag.text();
            text.remove(QChar::ObjectReplacementCharacter);
            if (text.isEmpty())
                continue;
            const int tag = cf.intProperty(kMergeTag);
            const int id = tag > 0 ? cf.intProperty(kMergeId) : 0;
            if (tag > 0 && id == lastId && !p.runs.empty() && p.runs.back().mergeTag == tag) {
                p.runs.back().text += text;
                continue;
            }
            lastId = id;
            p.runs.push_back(RtfRun{text, charPropsOf(cf), tag, id});
        }
        c.paragraphs.push_back(std::move(p));
    }
    return c;
}

}  // namespace qln::richtext
