#include "richtext/richdocument.h"

#include "common/atomicfile.h"
#include "common/textutil.h"
#include "richtext/paintlayout.h"
#include "richtext/richformat.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <algorithm>
#include <cmath>
#include <map>

namespace qln::richtext {

namespace {

const MergeField kMergeFields[] = {
    {1, "[RECIPIENT]", "Recipient"},
    {2, "[FAX#]", "Fax Number"},
    {3, "[SUBJECT]", "Subject"},
    {4, "[DATE]", "Date"},
    {5, "[TIME]", "Time"},
};

constexpr int kMinZoom = 10;
constexpr int kMaxZoom = 800;

// A merge field found in the text: where its label is and what it carries.
struct FieldSpan {
    int start;
    int end;
    int tag;
    QTextCharFormat format;
};

std::vector<FieldSpan> findFields(const QTextDocument *doc)
{
    std::vector<FieldSpan> spans;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        int lastId = -1;
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            const QTextCharFormat cf = frag.charFormat();
            const int tag = cf.intProperty(kMergeTag);
            if (tag <= 0) {
                lastId = -1;
                continue;
            }
            const int id = cf.intProperty(kMergeId);
            const int end = frag.position() + frag.length();
            if (id == lastId && !spans.empty() && spans.back().end == frag.position()) {
                spans.back().end = end;
                continue;
            }
            lastId = id;
            spans.push_back(FieldSpan{frag.position(), end, tag, cf});
        }
    }
    return spans;
}

}  // namespace

const MergeField *mergeFields()
{
    return kMergeFields;
}

int mergeFieldCount()
{
    return int(std::size(kMergeFields));
}

QString mergeFieldLabel(int tag)
{
    for (const MergeField &f : kMergeFields)
        if (f.tag == tag)
            return QString::fromLatin1(f.label);
    return QString();
}

RichDocument::RichDocument() : doc_(std::make_unique<QTextDocument>()), device_(std::make_unique<QImage>(1, 1, QImage::Format_RGB32))
{
    doc_->setDefaultFont(charFormatOf(CharAttributes()).font());
    QObject::connect(doc_.get(), &QTextDocument::contentsChange, doc_.get(), [this] { ++changes_; });
    applyResolution();
    clear();
}

RichDocument::~RichDocument() = default;

int RichDocument::screenPixelsPerInch()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return 96;
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int ppi = screen ? int(std::lround(screen->logicalDotsPerInch())) : 0;
    return ppi > 0 ? ppi : 96;
}

double RichDocument::layoutPixelsPerInch() const
{
    // Whole pixels per inch: Qt converts font sizes at a device's whole
    // dots per inch, and paragraph lengths must use the same figure.
    return std::max(1.0, std::round(screenPixelsPerInch() * zoom_ / 100.0));
}

double RichDocument::pageTextWidthPixels() const
{
    return pixelsOf(layout_.width - layout_.left - layout_.right, layoutPixelsPerInch());
}

QTextDocument *RichDocument::document()
{
    if (!laidOut_) {
        laidOut_ = true;
        doc_->documentLayout()->setPaintDevice(device_.get());
        // Whatever was laid out before was laid out for the screen.
        doc_->markContentsDirty(0, doc_->characterCount());
    }
    return doc_.get();
}

void RichDocument::applyResolution()
{
    const double ppi = layoutPixelsPerInch();
    setResolution(*device_, ppi);
    // The paragraph pixels follow without an undo step of their own (an
    // undo would bring back the pixels of the old resolution).
    const bool undo = doc_->isUndoRedoEnabled();
    doc_->setUndoRedoEnabled(false);
    qln::richtext::applyResolution(doc_.get(), shownPpi_ > 0 ? shownPpi_ : ppi, ppi);
    doc_->setUndoRedoEnabled(undo);
    shownPpi_ = ppi;
    // Qt asks the device for its resolution when it lays a block out, so
    // every block is laid out again.
    if (laidOut_)
        doc_->markContentsDirty(0, doc_->characterCount());
}

void RichDocument::setZoom(int percent)
{
    percent = std::clamp(percent, kMinZoom, kMaxZoom);
    if (percent == zoom_)
        return;
    zoom_ = percent;
    applyResolution();
}

void RichDocument::clear()
{
    RtfContent empty;
    RtfParagraph p;
    p.markProps = charPropsOf(charFormatOf(CharAttributes()));
    empty.paragraphs.push_back(p);
    setContent(empty);
}

RtfContent RichDocument::content() const
{
    return contentOf(doc_.get(), layout_, layoutPixelsPerInch());
}

void RichDocument::setContent(const RtfContent &content)
{
    nextMergeId_ = buildDocument(doc_.get(), content, layoutPixelsPerInch()) + 1;
    // The layout is the file's; a file without one gets the default page.
    const RtfPageSetup &p = content.page;
    layout_ = content.hasPageSetup ? PageLayout{p.width, p.height, p.left, p.right, p.top, p.bottom} : PageLayout();
}

bool RichDocument::loadRtf(const QByteArray &rtf)
{
    setContent(readRtf(rtf));
    return true;
}

QByteArray RichDocument::saveRtf() const
{
    return writeRtf(content());
}

bool RichDocument::loadFromFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        clear();
        return false;
    }
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        clear();
        return false;
    }
    return loadRtf(data);
}

bool RichDocument::saveToFile(const QString &path) const
{
    const QByteArray rtf = saveRtf();
    return writeFileAtomically(QFile::encodeName(path).toStdString(), rtf.toStdString());
}

void RichDocument::insertRtf(QTextCursor &cursor, const QByteArray &rtf)
{
    QTextDocument pasted;
    pasted.setDefaultFont(doc_->defaultFont());
    nextMergeId_ = buildDocument(&pasted, readRtf(rtf), layoutPixelsPerInch(), nextMergeId_) + 1;
    cursor.insertFragment(QTextDocumentFragment(&pasted));
}

QByteArray RichDocument::selectionRtf(const QTextCursor &cursor) const
{
    QTextDocument selected;
    QTextCursor(&selected).insertFragment(cursor.selection());
    return writeRtf(contentOf(&selected, layout_, layoutPixelsPerInch()));
}

void RichDocument::setPageLayout(const PageLayout &layout)
{
    layout_ = layout;
}

CharAttributes RichDocument::attributesAt(const QTextCursor &cursor) const
{
    return attributesOf(cursor.charFormat());
}

void RichDocument::applyAttributes(QTextCursor &cursor, const CharAttributes &a)
{
    const QTextCharFormat f = charFormatOf(a);
    if (cursor.hasSelection()) {
        cursor.mergeCharFormat(f);
        return;
    }
    QTextCharFormat typing = withoutMerge(cursor.charFormat());
    typing.merge(f);
    cursor.setCharFormat(typing);
    // An empty paragraph is measured in its mark's size.
    if (cursor.block().length() <= 1)
        cursor.setBlockCharFormat(typing);
}

void RichDocument::insertPageBreak(QTextCursor &cursor)
{
    QTextBlockFormat bf = cursor.blockFormat();
    bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    const QTextCharFormat cf = withoutMerge(cursor.charFormat());
    cursor.beginEditBlock();
    cursor.clearSelection();
    cursor.insertBlock(bf, cf);
    cursor.setCharFormat(cf);
    cursor.endEditBlock();
}

int RichDocument::pageBreakCount() const
{
    int n = 0;
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next())
        n += isPageBreak(b.blockFormat());
    return n;
}

ParagraphSpacing RichDocument::paragraphSpacingAt(const QTextCursor &cursor) const
{
    const RtfParaProps p = paraPropsOf(cursor.blockFormat(), layoutPixelsPerInch());
    ParagraphSpacing s;
    s.leftIndent = p.leftIndent;
    s.firstIndent = p.leftIndent + p.firstOffset;
    s.rightIndent = p.rightIndent;
    s.spaceBefore = p.spaceBefore;
    s.spaceAfter = p.spaceAfter;
    s.lineHeight = p.lineRule == RtfLineRule::AtLeast || p.lineRule == RtfLineRule::Exactly ? p.lineValue : 0;
    return s;
}

void RichDocument::setParagraphSpacing(QTextCursor &cursor, const ParagraphSpacing &s)
{
    const double ppi = layoutPixelsPerInch();
    const QTextBlock first = doc_->findBlock(cursor.selectionStart());
    const QTextBlock last = doc_->findBlock(cursor.selectionEnd());
    QTextCursor c(doc_.get());
    c.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        QTextBlockFormat f = b.blockFormat();
        RtfParaProps p = paraPropsOf(f, ppi);
        p.leftIndent = std::max(0, s.leftIndent);
        p.rightIndent = std::max(0, s.rightIndent);
        p.firstOffset = std::max(0, s.firstIndent) - p.leftIndent;
        p.spaceBefore = std::max(0, s.spaceBefore);
        p.spaceAfter = std::max(0, s.spaceAfter);
        const int shown = p.lineRule == RtfLineRule::AtLeast || p.lineRule == RtfLineRule::Exactly ? p.lineValue : 0;
        // A line height the dialog could not show (a multiple of lines)
        // stays as it is unless the user typed a new one.
        if (s.lineHeight != shown) {
            if (s.lineHeight <= 0) {
                p.lineRule = RtfLineRule::Single;
                p.lineValue = 0;
            } else {
                p.lineRule = p.lineRule == RtfLineRule::Exactly ? RtfLineRule::Exactly : RtfLineRule::AtLeast;
                p.lineValue = s.lineHeight;
            }
        }
        setParaProps(f, p, ppi);
        c.setPosition(b.position());
        c.setBlockFormat(f);
        if (b == last)
            break;
    }
    c.endEditBlock();
}

void RichDocument::insertMergeField(QTextCursor &cursor, int tag)
{
    const QString label = mergeFieldLabel(tag);
    if (label.isEmpty())
        return;
    const QTextCharFormat plain = withoutMerge(cursor.charFormat());
    QTextCharFormat field = plain;
    field.setProperty(kMergeTag, tag);
    field.setProperty(kMergeId, nextMergeId_++);
    cursor.insertText(label, field);
    // What is typed next is text again, not part of the field.
    cursor.setCharFormat(plain);
}

int RichDocument::mergeFieldCountInText() const
{
    return int(findFields(doc_.get()).size());
}

void RichDocument::fillMergeFields(const TextToInsert &valueFor)
{
    if (!valueFor)
        return;
    const std::vector<FieldSpan> spans = findFields(doc_.get());
    QTextCursor c(doc_.get());
    c.beginEditBlock();
    // From the end, so that the positions of the fields before stay valid.
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
        const std::optional<QString> value = valueFor(it->tag);
        if (!value)
            continue;
        c.setPosition(it->start);
        c.setPosition(it->end, QTextCursor::KeepAnchor);
        const QTextCharFormat plain = withoutMerge(it->format);
        if (value->isEmpty()) {
            c.removeSelectedText();
        } else {
            QString text = *value;
            text.replace(QLatin1String("\r\n"), QString(QChar(QChar::LineSeparator)));
            text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
            text.replace(QLatin1Char('\r'), QChar(QChar::LineSeparator));
            c.insertText(text, plain);
        }
    }
    c.endEditBlock();
}

bool RichDocument::isEmptyText() const
{
    return richTextIsEmpty(doc_->isEmpty(), doc_->toPlainText().toStdString());
}

QString RichDocument::plainTextWithBreaks() const
{
    QStringList lines;
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        QString text = b.text();
        text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
        text.replace(QChar(QChar::Nbsp), QLatin1Char(' '));
        if (isPageBreak(b.blockFormat())) {
            lines << QStringLiteral("\f");
            if (text.isEmpty())
                continue;  // the empty break paragraph is the break itself
        }
        lines << text;
    }
    return lines.join(QLatin1Char('\n'));
}

}  // namespace qln::richtext
