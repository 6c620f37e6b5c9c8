// Windows code pages for RTF text: \ansicpg names the document's code page,
// a font's \fcharset may name another one, and \'hh bytes are decoded in the
// code page in force. Decoders come from Qt's converters (ICU); a code page
// Qt cannot decode falls back to Windows-1252.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <map>
#include <memory>

class QStringDecoder;

namespace qln::richtext {

// The code page a font's \fcharset stands for, or 0 when the charset says
// nothing beyond the document's code page (ANSI, default, symbol, unknown).
int codePageOfCharset(int charset);

// Decodes byte runs; keeps one converter per code page it has met.
class CodePageDecoders {
public:
    CodePageDecoders();
    ~CodePageDecoders();
    QString decode(int codePage, QByteArrayView bytes);

private:
    QStringDecoder *decoderFor(int codePage);

    std::map<int, std::unique_ptr<QStringDecoder>> decoders_;
};

// Whether `c` can be written as one byte of Windows-1252, and that byte.
bool toWindows1252(QChar c, unsigned char &byte);

}  // namespace qln::richtext
