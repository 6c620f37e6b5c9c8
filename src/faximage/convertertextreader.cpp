#include "faximage/convertertextreader.h"

#include "faximage/apferrors.h"

namespace qln::fax {

int TextLineSource::refill()
{
    pos_ = len_ = 0;
    if (ended_)
        return ecOK;
    std::size_t got = 0;
    if (int rc = file_.readSome(block_, kBlockSize, got); rc < 0)
        return rc;
    len_ = got;
    if (got == 0) {
        ended_ = true;
    } else if (block_[got - 1] == 26) {
        // End-of-file mark closing a block: the data ends here.
        --len_;
        ended_ = true;
    }
    return ecOK;
}

int TextLineSource::next(std::string &line, bool &got)
{
    line.clear();
    got = false;
    bool any = false;
    for (;;) {
        if (pos_ >= len_) {
            if (ended_ && len_ == 0) {
                got = any;
                return ecOK;
            }
            if (int rc = refill(); rc < 0)
                return rc;
            if (len_ == 0) {
                got = any;
                return ecOK;
            }
        }
        const uint8_t c = block_[pos_++];
        if (skipLf_) {
            skipLf_ = false;
            if (c == '\n')
                continue;
        }
        if (c == '\r' || c == '\n') {
            skipLf_ = c == '\r';
            got = true;
            return ecOK;
        }
        any = true;
        if (line.size() < kMaxLine)
            line.push_back(char(c));
    }
}

TextReader::TextReader(std::shared_ptr<FaxTextCore> text, int linesPerPage)
    : text_(std::move(text))
    , linesPerPage_(linesPerPage)
{
}

int TextReader::open(ConverterCore &core, const std::string &fileName)
{
    if (!text_ || text_->fontRows() <= 0)
        return ecBadArgument;
    if (int rc = file_.open(fileName); rc < 0)
        return rc;
    source_ = std::make_unique<TextLineSource>(file_);
    pending_.reset();
    held_.reset();
    breakDue_ = pageHasContent_ = false;
    linesOnPage_ = row_ = 0;
    current_.clear();
    text_->setPageWidth(core.pageWidth);
    text_->setLeftMargin(core.leftMargin);
    core.bytesConverted = 0;
    core.bytesToConvert = file_.size();
    return ecOK;
}

void TextReader::close()
{
    source_.reset();
    file_.close();
}

int TextReader::nextText(std::string &text, bool &breakBefore, bool &got)
{
    breakBefore = breakDue_;
    got = true;
    if (pending_) {
        text = std::move(*pending_);
        pending_.reset();
    } else {
        if (int rc = source_->next(text, got); rc < 0)
            return rc;
        if (!got)
            return ecOK;
    }
    breakDue_ = false;
    const std::size_t ff = text.find('\f');
    if (ff != std::string::npos) {
        std::string rest = text.substr(ff + 1);
        text.resize(ff);
        breakDue_ = true;
        if (!rest.empty())
            pending_ = std::move(rest);
    }
    return ecOK;
}

int TextReader::newPage(bool &endOfPage, bool &morePages)
{
    endOfPage = morePages = true;
    row_ = 0;
    linesOnPage_ = 0;
    pageHasContent_ = false;
    return ecOK;
}

int TextReader::readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages)
{
    endOfPage = morePages = false;
    const int rows = text_->fontRows();
    if (row_ > 0 && row_ < rows) {
        text_->drawTextRow(current_.c_str(), ++row_, raster);
        return ecOK;
    }

    std::string text;
    if (held_) {
        text = std::move(*held_);
        held_.reset();
    } else {
        bool breakBefore = false, got = false;
        if (int rc = nextText(text, breakBefore, got); rc < 0)
            return rc;
        core.bytesConverted = file_.position();
        if (!got) {
            row_ = 0;
            if (!pageHasContent_) {
                // Nothing on this page: one blank line, then the end.
                pageHasContent_ = true;
                return ecOK;
            }
            endOfPage = true;
            return ecOK;
        }
        if (breakBefore && pageHasContent_) {
            held_ = std::move(text);
            return newPage(endOfPage, morePages);
        }
    }
    if (linesPerPage_ > 0 && linesOnPage_ >= linesPerPage_) {
        held_ = std::move(text);
        return newPage(endOfPage, morePages);
    }
    ++linesOnPage_;
    pageHasContent_ = true;
    current_ = text_->prepareLine(text_->enhanced() ? text : textToLatin1(text));
    row_ = 1;
    text_->drawTextRow(current_.c_str(), row_, raster);
    return ecOK;
}

} // namespace qln::fax
