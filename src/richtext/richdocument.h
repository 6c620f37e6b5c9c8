// RichDocument: one rich text (a cover sheet, a fax document or a cover
// template) held in a QTextDocument, with everything the program asks of a
// rich text that does not need a widget: RTF load and save, page layout in
// twips, typing attributes, hard page breaks, merge fields, the emptiness
// test and the page-painting call used to render fax pages.
//
// The widget TRichEdit (richedit.h) edits a RichDocument; page rendering and
// qlnfax use a RichDocument on its own. Needs a QGuiApplication (fonts);
// user-interface thread only.
#pragma once

#include "richtext/rtfmodel.h"

#include <QFont>
#include <QString>
#include <QTextDocument>

#include <functional>
#include <memory>
#include <optional>

class QImage;
class QPainter;
class QTextCursor;

namespace qln::richtext {

// Character attributes as the tool bars and the default-font settings see
// them.
struct CharAttributes {
    QString fontName = QStringLiteral("Arial");
    int sizePoints = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// Paragraph indents and spacing, all in twips (1/1440 inch). firstIndent is
// the absolute indent of the first line (left indent plus the first-line
// offset), as the paragraph dialog shows it. lineHeight 0 means single.
struct ParagraphSpacing {
    int firstIndent = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineHeight = 0;
};

// Page size and margins in twips.
struct PageLayout {
    int width = 12240;
    int height = 15840;
    int left = 720;
    int right = 720;
    int top = 720;
    int bottom = 720;
};

// The merge fields of cover templates: tag 1..5 and the label shown in the
// text ("[RECIPIENT]", "[FAX#]", "[SUBJECT]", "[DATE]", "[TIME]").
struct MergeField {
    int tag;
    const char *label;
    const char *menuCaption;
};
const MergeField *mergeFields();   // the five, in tag order
int mergeFieldCount();             // 5
QString mergeFieldLabel(int tag);  // "" for an unknown tag

class RichDocument {
public:
    RichDocument();
    ~RichDocument();
    RichDocument(const RichDocument &) = delete;
    RichDocument &operator=(const RichDocument &) = delete;

    // The text. The non-const form also gives the document its layout at
    // the zoom's resolution (a widget shows it through that layout); until
    // then nothing lays the text out, so loading for page painting alone
    // stays quick.
    QTextDocument *document();
    const QTextDocument *document() const { return doc_.get(); }

    // RTF in and out. Loading replaces the whole text and the page layout
    // (the default page when the file gives none); a text that is not RTF
    // at all loads as plain text. false (with the document cleared) only
    // when the file cannot be read or written.
    bool loadRtf(const QByteArray &rtf);
    QByteArray saveRtf() const;
    bool loadFromFile(const QString &path);
    bool saveToFile(const QString &path) const;  // temporary name + rename

    void clear();

    // Clipboard RTF: inserts RTF (or plain text) at `cursor`, replacing its
    // selection; and the selection of `cursor` as RTF.
    void insertRtf(QTextCursor &cursor, const QByteArray &rtf);
    QByteArray selectionRtf(const QTextCursor &cursor) const;

    // The text as the RTF model sees it, and the reverse.
    RtfContent content() const;
    void setContent(const RtfContent &content);

    void setPageLayout(const PageLayout &layout);
    PageLayout pageLayout() const { return layout_; }

    // Typing attributes at `cursor` (the widget's caret) or for new text.
    CharAttributes attributesAt(const QTextCursor &cursor) const;
    void applyAttributes(QTextCursor &cursor, const CharAttributes &a);

    // Inserts, at `cursor`, an empty paragraph flagged as a hard page break
    // that takes the cursor's character attributes.
    void insertPageBreak(QTextCursor &cursor);
    // Number of hard page breaks in the text.
    int pageBreakCount() const;

    ParagraphSpacing paragraphSpacingAt(const QTextCursor &cursor) const;
    // Sets the spacing of the cursor's paragraph, or of every paragraph the
    // selection touches.
    void setParagraphSpacing(QTextCursor &cursor, const ParagraphSpacing &s);

    // Merge fields. A field is a run of text (its label) carrying the tag.
    void insertMergeField(QTextCursor &cursor, int tag);
    int mergeFieldCountInText() const;
    // Asks `valueFor` for every field in the text; a field whose answer is a
    // value is replaced by that value as plain text in the field's
    // attributes; std::nullopt leaves the field untouched.
    using TextToInsert = std::function<std::optional<QString>(int tag)>;
    void fillMergeFields(const TextToInsert &valueFor);

    // The emptiness test: no text at all, or under 256 characters with each
    // of its first 201 lines blank after trimming.
    bool isEmptyText() const;

    // Plain text, one paragraph a line; a hard page break gives a line
    // holding only a form feed.
    QString plainTextWithBreaks() const;

    // Zoom in percent for painting and for the widget's view.
    int zoom() const { return zoom_; }
    void setZoom(int percent);

    // When on, paintPage ends a page at every hard page break.
    void setPageBreakMode(bool on) { pageBreakMode_ = on; }
    bool pageBreakMode() const { return pageBreakMode_; }

    // Screen pixels per inch that zoom 100 % stands for: the primary
    // screen's logical dots per inch, 96 when there is no screen.
    static int screenPixelsPerInch();
    // The resolution the document is laid out at: screenPixelsPerInch()
    // × zoom / 100. Font sizes and paragraph lengths are converted at it.
    double layoutPixelsPerInch() const;
    // The width of the text between the page margins at that resolution.
    double pageTextWidthPixels() const;

    // Lays the text out `width` pixels wide at screenPixelsPerInch() × zoom
    // / 100 pixels per inch (zoom 208 at 96 ppi gives about 200 dpi) and
    // paints, from line `firstLine` (0 = the start), as many whole lines as
    // fit between `top` and `bottomLimit`, starting at x = `left`. Returns
    // the number of the first line not painted, or 0 when the text is
    // finished. Lines are counted across the whole text in layout order.
    // With the page-break mode on, a page also ends after the line before
    // a hard page break. Line heights, paragraph spacing and page ends
    // follow word processors' rules (pagelines.h); a word wider than the
    // line is broken at its end, and indents always leave an inch of line.
    //
    // When the page layout's text width (page width less margins) at that
    // resolution is narrower than `width`, the text is laid out at the page
    // layout's width, so that the lines break where they do in the editor.
    // A line taller than the whole page is painted alone (cut at the
    // bottom), so every call paints at least one line and a caller's page
    // loop always ends. Text is painted in black.
    int paintPage(QPainter &painter, int left, int top, int width, int bottomLimit, int firstLine);
    // The number of lines paintPage counts at that width (for tests and
    // for callers that want a page count first).
    int lineCount(int width);

private:
    struct PaintLayout;
    PaintLayout &paintLayout(int width);
    void applyResolution();

    std::unique_ptr<QTextDocument> doc_;
    PageLayout layout_;
    int zoom_ = 100;
    bool pageBreakMode_ = false;
    // The device whose resolution the document is laid out at.
    std::unique_ptr<QImage> device_;
    std::unique_ptr<PaintLayout> paint_;
    bool laidOut_ = false;  // doc_ has its layout on device_
    double shownPpi_ = 0;   // the resolution the paragraph pixels are at
    int changes_ = 0;       // counts edits, so a painting copy knows it is stale
    int nextMergeId_ = 1;
};

}  // namespace qln::richtext
