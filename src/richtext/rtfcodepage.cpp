#include "richtext/rtfcodepage.h"

#include <QStringDecoder>

namespace qln::richtext {

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 where the code page leaves a byte unused.
const char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0,
};

}  // namespace

int codePageOfCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;   // Macintosh
    case 128: return 932;    // Shift JIS
    case 129: return 949;    // Hangul
    case 130: return 1361;   // Johab
    case 134: return 936;    // GB2312
    case 136: return 950;    // Big5
    case 161: return 1253;   // Greek
    case 162: return 1254;   // Turkish
    case 163: return 1258;   // Vietnamese
    case 177: return 1255;   // Hebrew
    case 178: return 1256;   // Arabic
    case 186: return 1257;   // Baltic
    case 204: return 1251;   // Cyrillic
    case 222: return 874;    // Thai
    case 238: return 1250;   // Eastern European
    case 254: return 437;    // PC 437
    case 255: return 850;    // OEM
    default: return 0;
    }
}

CodePageDecoders::CodePageDecoders() = default;
CodePageDecoders::~CodePageDecoders() = default;

QStringDecoder *CodePageDecoders::decoderFor(int codePage)
{
    auto it = decoders_.find(codePage);
    if (it != decoders_.end())
        return it->second.get();
    std::unique_ptr<QStringDecoder> dec;
    if (codePage == 65001) {
        dec = std::make_unique<QStringDecoder>(QStringConverter::Utf8);
    } else if (codePage != 1252) {
        const QByteArray number = QByteArray::number(codePage);
        for (const QByteArray &name : {"windows-" + number, "cp" + number, "IBM" + number,
                                       codePage == 10000 ? QByteArray("macintosh") : QByteArray()}) {
            if (name.isEmpty())
                continue;
            auto d = std::make_unique<QStringDecoder>(name.constData());
            if (d->isValid()) {
                dec = std::move(d);
                break;
            }
        }
    }
    // Windows-1252 (and any code page without a converter) uses the table
    // above, which needs no converter at all.
    QStringDecoder *raw = dec.get();
    decoders_.emplace(codePage, std::move(dec));
    return raw;
}

QString CodePageDecoders::decode(int codePage, QByteArrayView bytes)
{
    if (QStringDecoder *d = decoderFor(codePage)) {
        QString s = d->decode(bytes);
        d->resetState();
        return s;
    }
    QString s;
    s.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0)
            s += QChar(kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : b);
        else
            s += QChar(b);
    }
    return s;
}

bool toWindows1252(QChar c, unsigned char &byte)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        byte = static_cast<unsigned char>(u);
        return true;
    }
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] && kCp1252High[i] == u) {
            byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

}  // namespace qln::richtext
