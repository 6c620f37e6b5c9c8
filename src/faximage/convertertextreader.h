// TextReader: plain-text files as converter input, drawn with the built-in
// font or, for enhanced text, a system font (FaxTextCore).
//
// Lines come from TextLineSource: 4096-byte blocks, a line ends at CR, LF or
// CR LF (also across a block boundary), a byte 26 as the last byte of a
// block ends the data, and long lines are joined from several blocks (kept up
// to 8192 bytes). Each text line becomes fontRows() raster lines with no
// spacing rows. A form feed splits a line: the text before it ends the page
// and the text after it starts the next page. A page holds at most
// linesPerPage text lines (0: no limit). A document without text gives one
// page with one blank line; a form feed at the very end adds no empty page.
//
// User-interface thread only for enhanced text.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "faximage/convertercore.h"
#include "faximage/converterinputfile.h"
#include "faximage/convertertext.h"

namespace qln::fax {

class TextLineSource {
public:
    static constexpr std::size_t kBlockSize = 4096;
    static constexpr std::size_t kMaxLine = FaxTextCore::kTextBufferSize;

    explicit TextLineSource(ConverterInputFile &file)
        : file_(file)
    {
    }
    // Next line without its end; false at the end of the data.
    int next(std::string &line, bool &got);

private:
    int refill();

    ConverterInputFile &file_;
    uint8_t block_[kBlockSize];
    std::size_t len_ = 0, pos_ = 0;
    bool ended_ = false;
    bool skipLf_ = false; // the previous line ended with CR
};

class TextReader : public FaxInputReader {
public:
    // The text core must have its font set; the reader keeps a pointer.
    explicit TextReader(std::shared_ptr<FaxTextCore> text, int linesPerPage = 60);

    std::string defaultExtension() const override { return "TXT"; }
    int open(ConverterCore &core, const std::string &fileName) override;
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override;
    void close() override;

    FaxTextCore &textCore() { return *text_; }
    int linesPerPage() const { return linesPerPage_; }

private:
    int nextText(std::string &text, bool &breakBefore, bool &got);
    int newPage(bool &endOfPage, bool &morePages);

    std::shared_ptr<FaxTextCore> text_;
    int linesPerPage_;
    ConverterInputFile file_;
    std::unique_ptr<TextLineSource> source_;
    std::optional<std::string> pending_; // text after a form feed
    std::optional<std::string> held_;    // line moved to the next page
    bool breakDue_ = false;
    bool pageHasContent_ = false;
    int linesOnPage_ = 0;
    std::string current_;
    int row_ = 0;
};

} // namespace qln::fax
