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
};

inline double pixelsOf(int twips, double ppi)
{
    return twips * ppi / 1440.0;
}

// Makes `device` (the paint device of a document's layout) stand for
// `ppi` pixels per inch, and the resolution a document is laid out at
// (96 when its layout has no device).
void setResolution(QImage &device, double ppi);
double resolutionOf(const QTextDocument *doc);

// The paragraph properties of a block; a block without the twips
// properties (pasted from elsewhere) has its pixel values converted at `ppi`.
RtfParaProps paraPropsOf(const QTextBlockFormat &f, double ppi);
// Sets the twips properties and the pixel values derived at `ppi`.
void setParaProps(QTextBlockFormat &f, const RtfParaProps &p, double ppi);
// Recomputes the pixel values of every paragraph for `ppi`; paragraphs
// whose values are already right are left alone. Used on a document without
// undo history (loading, zooming, a painting copy).
void applyResolution(QTextDocument *doc, double ppi);

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
RtfContent contentOf(const QTextDocument *doc, const PageLayout &page);

}  // namespace qln::richtext
