// Splits RTF bytes into tokens: group braces, control words with their
// optional numeric parameter, control symbols, hex bytes (\'hh), runs of
// plain text and \binN data. Carriage returns and line feeds in the text are
// dropped, as RTF wants. Works on any input: malformed escapes become text
// or are dropped, never read past the end.
#pragma once

#include <QByteArrayView>

namespace qln::richtext {

struct RtfToken {
    enum Kind { GroupOpen, GroupClose, ControlWord, ControlSymbol, HexByte, Text, Binary, End };
    Kind kind = End;
    QByteArrayView word;    // ControlWord: its name; Text: the bytes
    bool hasParam = false;  // ControlWord
    int param = 0;          // ControlWord (clamped to int)
    char symbol = 0;        // ControlSymbol: the character after the backslash
    unsigned char byte = 0; // HexByte
};

class RtfTokenizer {
public:
    explicit RtfTokenizer(QByteArrayView data) : p_(data.data()), end_(data.data() + data.size()) {}

    RtfToken next();
    bool atEnd() const { return p_ >= end_; }

private:
    RtfToken scan();

    const char *p_;
    const char *end_;
};

}  // namespace qln::richtext
