// Rendering of the header line and of text cover pages with system fonts
// ("enhanced" text) into coded scan lines, for the page preamble of a
// sending session. The counterpart of renderFaxTextLine, which uses the
// built-in fax fonts.
//
// A line is drawn with EnhancedFaxFont into an off-screen bitmap 1712 pixels
// wide (the 1728-pixel line less the 16-pixel left margin the built-in path
// keeps too), in the page's resolution: at fine resolution the font is
// doubled in size, at normal resolution every pixel is doubled across. The
// number of scan lines is the height of "Wy" in that font. A font whose
// bitmap would exceed 64 KB gives -8055 and no lines.
//
// Threading: the renderer runs on the dispatcher thread during a call, while
// the user-interface thread may be painting at the same time. Qt 6 draws
// text with QPainter into a QImage on any thread once a QGuiApplication
// exists (the font database is locked internally, glyph caches are per
// thread); the unit tests render from worker threads while the main thread
// renders too and compare the results bit for bit, on the offscreen and the
// xcb platform. What is not safe is two threads using copies of one QFont
// that share their private data (font metrics cache the font engine in it).
// The renderer therefore keeps only the fonts' descriptions (plain text,
// taken on the caller's thread) and builds a fresh QFont of its own for each
// line. Without a QGuiApplication no system font can be loaded: -8052.
#pragma once

#include "fax/t30frames.h"

#include <QFont>
#include <QString>

#include <string>
#include <vector>

namespace qln::fax {

// One line of text in `font`, as coded T.4 scan lines (each starting with an
// EOL), 1728 pixels wide. Returns 0 or a negative code.
int renderEnhancedTextLine(const QString &fontDescription, const std::string &text, bool fine,
                           std::vector<t30::Bytes> &codedLines);

// The sender's text renderer with the enhanced fonts: `large` (a text cover
// page) uses the cover font, else the header font. Copyable; a copy may be
// used on another thread than the one that made it.
class EnhancedTextRenderer {
public:
    EnhancedTextRenderer(const QFont &headerFont, const QFont &coverFont);

    int operator()(const std::string &text, bool fine, bool large,
                   std::vector<t30::Bytes> &codedLines) const;

private:
    QString header_; // QFont::toString() of each font
    QString cover_;
};

} // namespace qln::fax
