// How RichDocument keeps Quillon's formatting inside a QTextDocument, and
// the conversion between a QTextDocument and the RTF model.
//
// Paragraph lengths are kept in twips as block-format properties; the pixel
// values Qt lays out with (margins, first-line indent, line height) are
// derived from them for the resolution the document is laid out at
// (applyResolution), so zooming or painting at fax resolution never rounds
// the stored values. A hard page break is a paragraph whose page-break
// policy is "always before". A merge field is a run of text whose character
// format carries its tag and an id that tells neighbouring fields apart.
#pragma once

#include "richtext/richdocument.h"
#include "richtext/rtfmodel.h"

#include <QTextFormat>

class QImage;
class QTextBlockFormat;
class QTextCharFormat;

namespace qln::richtext {

enum RichProperty : int {
    kMergeTag = QTextFormat::UserProperty + 1,   // int, char format
    kMergeId = QTextFormat::UserProperty + 2,    // int, char format
    kLeftTwips = QTextFormat::UserProperty + 10, // int, block format (all below)
    kRightTwips,
    kFirstOffsetTwips,  // first line relative to the left indent
    kBeforeTwips,
    kAfterTwips,
    kLineRule,          // RtfLineRule as int
    kLineValue,         // twips, or 240ths of a line for Multiple
    kStyleNumber,       // int: the paragraph style of the RTF (\sN)
    kPaginationFlags,   // int: PaginationFlag bits
};

enum PaginationFlag : int {
    kContextualSpacing = 1,
    kWidowControl = 2,
    kKeepNext = 4,
    kKeepTogether = 8,
};

inline double pixelsOf(int twips, double ppi)
{
    return twips * ppi / 1440.0;
}

// Makes `device` (the paint device of a document's layout) stand for
// `ppi` pixels per inch.
void setResolution(QImage &device, double ppi);

// The paragraph properties of a block; a block without the twips
// properties (pasted from elsewhere) has its pixel values converted at `ppi`.
RtfParaProps paraPropsOf(const QTextBlockFormat &f, double ppi);
// Sets the twips properties and the pixel values derived at `ppi`.
// QTextDocument's layout takes vertical lengths (paragraph spacing, line
// heights) in pixels of the screen's logical resolution and scales them to
// its device itself, while horizontal ones are in device pixels; the
// values set here follow that, so the spacing is right at every zoom.
void setParaProps(QTextBlockFormat &f, const RtfParaProps &p, double ppi);
// Recomputes the pixel values of every paragraph for `toPpi`; paragraphs
// whose values are already right are left alone. A paragraph without the
// twips properties has its pixels taken at `fromPpi`, the resolution the
// document was laid out at until now. Used without undo history (loading,
// zooming, a painting copy).
void applyResolution(QTextDocument *doc, double fromPpi, double toPpi);

RtfCharProps charPropsOf(const QTextCharFormat &f);
QTextCharFormat charFormatOf(const RtfCharProps &p);
CharAttributes attributesOf(const QTextCharFormat &f);
QTextCharFormat charFormatOf(const CharAttributes &a);
// The format without its merge-field properties.
QTextCharFormat withoutMerge(QTextCharFormat f);

bool isPageBreak(const QTextBlockFormat &f);

// Replaces the text of `doc` with `content`, laid out at `ppi`. Merge fields
// get ids from `firstMergeId` on; returns the highest id given out
// (firstMergeId - 1 when there is no field).
int buildDocument(QTextDocument *doc, const RtfContent &content, double ppi, int firstMergeId = 1);
// The text of `doc` laid out at `ppi` as the RTF model.
RtfContent contentOf(const QTextDocument *doc, const PageLayout &page, double ppi);

}  // namespace qln::richtext
