// The plain model between RTF and a QTextDocument: paragraphs of runs with
// the character and paragraph properties Quillon keeps, and the page layout.
// The RTF reader produces it, the RTF writer consumes it, and richconvert.*
// moves it into and out of a QTextDocument. Lengths are in twips (1/1440
// inch), font sizes in half points as in RTF.
#pragma once

#include <QString>

#include <vector>

namespace qln::richtext {

struct RtfCharProps {
    QString font;            // family name; empty = the document default
    int halfPoints = 24;     // RTF's default size is 12 pt
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const RtfCharProps &) const = default;
};

// A run of text with one set of character properties. A run with a merge
// tag (1..5) is one merge field whose text is its label.
struct RtfRun {
    QString text;
    RtfCharProps props;
    int mergeTag = 0;
    // Tells apart two merge fields that follow each other; 0 for text.
    int fieldId = 0;
};

enum class RtfAlign { Left, Right, Center, Justify };

// How \sl and \slmult set the line height: single (none), at least or
// exactly `lineValue` twips, or `lineValue` / 240 lines.
enum class RtfLineRule { Single, AtLeast, Exactly, Multiple };

struct RtfParaProps {
    RtfAlign align = RtfAlign::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstOffset = 0;     // first line relative to the left indent (\fi)
    int spaceBefore = 0;
    int spaceAfter = 0;
    RtfLineRule lineRule = RtfLineRule::Single;
    int lineValue = 0;
    bool pageBreakBefore = false;  // a hard page break starts this paragraph
    // Pagination and spacing rules word processors write: the paragraph
    // style's number (\sN), no space between paragraphs of the same style
    // (\contextualspace), widow and orphan control (\widctlpar), keep with
    // the next paragraph (\keepn) and keep the lines together (\keep).
    int style = 0;
    bool contextualSpacing = false;
    bool widowControl = false;
    bool keepNext = false;
    bool keepTogether = false;

    bool operator==(const RtfParaProps &) const = default;
};

struct RtfParagraph {
    RtfParaProps props;
    std::vector<RtfRun> runs;
    // The properties of the paragraph mark: what an empty paragraph is
    // typed and measured in.
    RtfCharProps markProps;

    QString text() const
    {
        QString t;
        for (const RtfRun &r : runs)
            t += r.text;
        return t;
    }
};

struct RtfPageSetup {
    int width = 12240;
    int height = 15840;
    int left = 1800;   // RTF's defaults when a file gives no margins
    int right = 1800;
    int top = 1440;
    int bottom = 1440;
};

struct RtfContent {
    std::vector<RtfParagraph> paragraphs;
    RtfPageSetup page;
    bool hasPageSetup = false;  // the file gave \paperw or a margin
};

}  // namespace qln::richtext
