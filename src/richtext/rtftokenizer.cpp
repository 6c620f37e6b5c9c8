#include "richtext/rtftokenizer.h"

#include <climits>

namespace qln::richtext {

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

RtfToken RtfTokenizer::next()
{
    for (;;) {
        RtfToken t = scan();
        if (!(t.kind == RtfToken::ControlSymbol && t.symbol == 0))
            return t;
        // A broken \' escape carries nothing; go on with what follows.
    }
}

RtfToken RtfTokenizer::scan()
{
    RtfToken t;
    // Line ends between tokens carry no meaning.
    while (p_ < end_ && (*p_ == '\r' || *p_ == '\n'))
        ++p_;
    if (p_ >= end_)
        return t;

    const char c = *p_;
    if (c == '{') {
        ++p_;
        t.kind = RtfToken::GroupOpen;
        return t;
    }
    if (c == '}') {
        ++p_;
        t.kind = RtfToken::GroupClose;
        return t;
    }
    if (c != '\\') {
        const char *start = p_;
        while (p_ < end_ && *p_ != '\\' && *p_ != '{' && *p_ != '}' && *p_ != '\r' && *p_ != '\n')
            ++p_;
        t.kind = RtfToken::Text;
        t.word = QByteArrayView(start, p_ - start);
        return t;
    }

    ++p_;  // the backslash
    if (p_ >= end_)
        return t;  // a lone backslash at the very end: nothing more
    if (isLetter(*p_)) {
        const char *start = p_;
        while (p_ < end_ && isLetter(*p_) && p_ - start < 32)
            ++p_;
        t.kind = RtfToken::ControlWord;
        t.word = QByteArrayView(start, p_ - start);
        // Skip any letters beyond the 32 a control word may have.
        while (p_ < end_ && isLetter(*p_))
            ++p_;
        if (p_ < end_ && (*p_ == '-' || isDigit(*p_))) {
            bool negative = *p_ == '-';
            const char *digits = negative ? p_ + 1 : p_;
            if (digits < end_ && isDigit(*digits)) {
                long long v = 0;
                p_ = digits;
                while (p_ < end_ && isDigit(*p_)) {
                    if (v < INT_MAX)
                        v = v * 10 + (*p_ - '0');
                    ++p_;
                }
                if (v > INT_MAX)
                    v = INT_MAX;
                t.hasParam = true;
                t.param = static_cast<int>(negative ? -v : v);
            }
        }
        if (p_ < end_ && *p_ == ' ')
            ++p_;  // the delimiting space belongs to the control word
        if (t.word == "bin" && t.hasParam) {
            // \binN: N bytes of raw data follow; they are not RTF.
            long long n = t.param < 0 ? 0 : t.param;
            if (n > end_ - p_)
                n = end_ - p_;
            t.kind = RtfToken::Binary;
            t.word = QByteArrayView(p_, n);
            p_ += n;
        }
        return t;
    }
    if (*p_ == '\'') {
        ++p_;
        if (end_ - p_ >= 2 && hexValue(p_[0]) >= 0 && hexValue(p_[1]) >= 0) {
            t.kind = RtfToken::HexByte;
            t.byte = static_cast<unsigned char>(hexValue(p_[0]) * 16 + hexValue(p_[1]));
            p_ += 2;
            return t;
        }
        t.kind = RtfToken::ControlSymbol;
        t.symbol = 0;
        return t;
    }
    // A line end after a backslash is an old way of writing \par.
    t.kind = RtfToken::ControlSymbol;
    t.symbol = *p_ == '\r' ? '\n' : *p_;
    if (*p_ == '\r' && p_ + 1 < end_ && p_[1] == '\n')
        ++p_;
    ++p_;
    return t;
}

}  // namespace qln::richtext
