// FaxTextCore: turns lines of text into raster rows and coded fax lines.
//
// Used by the converter for text files and by the fax sender for its header
// line and for plain-text pages. A plain core draws with the built-in font
// (FaxFont), an enhanced core with a system font (EnhancedFaxFont). A text
// line becomes fontRows() raster rows; drawTextRow(text, r, raster) ORs row r
// (1-based) of every character into the raster, glyph after glyph from the
// raster's first bit (the coder adds the left margin). codeRasterLine() codes
// a raster of the page width with the margin into the coding buffer, and
// endOfPageCodes() gives the twelve end-of-page bytes.
//
// User-interface thread only for an enhanced core (Qt fonts); a plain core
// is a plain object (not thread-safe, no shared state).
#pragma once

#include <QFont>

#include <cstddef>
#include <cstdint>
#include <string>

#include "faximage/converterlinecoder.h"
#include "faximage/faxfont.h"
#include "faximage/faxfontenhanced.h"

namespace qln::fax {

class FaxTextCore {
public:
    static constexpr std::size_t kTextBufferSize = 8192;

    explicit FaxTextCore(bool enhanced = false);

    bool enhanced() const { return enhanced_; }
    void setPageWidth(int width) { pageWidth_ = width; }
    void setLeftMargin(int margin) { leftMargin_ = margin; }
    void setTabStop(int tabStop) { tabStop_ = tabStop; }
    int pageWidth() const { return pageWidth_; }
    int leftMargin() const { return leftMargin_; }
    int tabStop() const { return tabStop_; }

    // Loads the small (16) or standard (48) built-in font, rows doubled for
    // fine; -8052 when the resource is missing or bad.
    int loadFont(int sizeCode, bool fine);
    // Prepares the enhanced font (size doubled for fine); -8055 when its
    // bitmap would be too large. Uses the current page width and margin.
    int setEnhancedFont(const QFont &font, bool fine);

    // Raster rows per text line (0 before a font is set).
    int fontRows() const;
    const FaxFont &font() const { return font_; }

    // Expands tabs to the next multiple of the tab stop (tab stop 0 clears
    // the line) and, for the built-in font, cuts the line to
    // pageWidth / glyph width - leftMargin / glyph width characters.
    std::string prepareLine(const std::string &text) const;

    // ORs row `row` (1..fontRows()) of `text` (up to its first 0 byte) into
    // `raster`, which holds at least pageWidth / 8 bytes. With an enhanced
    // font, row 1 renders the text into the off-screen bitmap first.
    void drawTextRow(const char *text, int row, uint8_t *raster);

    // Codes one raster line; returns the coding position's byte index (the
    // bytes the caller sends from codingBuffer()).
    std::size_t codeRasterLine(const uint8_t *raster);
    const uint8_t *codingBuffer() { return coder_.data(); }
    std::size_t codedLength() const { return coder_.codedLength(); }

    // Puts the twelve end-of-page bytes into `buffer`; returns 12.
    static int endOfPageCodes(uint8_t *buffer);

private:
    bool enhanced_;
    int pageWidth_ = 1728;
    int leftMargin_ = 50;
    int tabStop_ = 4;
    FaxFont font_;
    EnhancedFaxFont enhFont_;
    RasterLineCoder coder_;
};

// Text bytes as the built-in font shows them: valid UTF-8 becomes Latin-1
// ('?' for characters beyond it); anything else is kept byte for byte.
std::string textToLatin1(const std::string &text);

} // namespace qln::fax
