// Fuzzes the RTF reader with any bytes, then checks that what it read
// survives the writer: written and read again, every paragraph keeps its
// text. The text is also built into a document, saved and, when short,
// laid out for painting. Memory and time must stay bounded for any input.
#include "richtext/richdocument.h"
#include "richtext/rtfreader.h"
#include "richtext/rtfwriter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

namespace {

QString printable(QString s)
{
    // The writer leaves out control characters other than the tab.
    s.removeIf([](QChar c) { return c.unicode() < 0x20 && c != QLatin1Char('\t'); });
    return s;
}

void ensureApplication()
{
    static QGuiApplication *app = nullptr;
    if (app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rtfreader";
    static char *argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
}

}  // namespace

// Fontconfig keeps the patterns of every font name Qt asks it about (the
// input chooses the names) in caches it never frees; that is not a leak of
// the code under test.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace qln::richtext;
    ensureApplication();
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const RtfContent first = readRtf(input);
    const RtfContent again = readRtf(writeRtf(first));
    if (first.paragraphs.size() != again.paragraphs.size()) {
        std::fprintf(stderr, "paragraph count changed: %zu -> %zu\n", first.paragraphs.size(),
                     again.paragraphs.size());
        std::abort();
    }
    for (size_t i = 0; i < first.paragraphs.size(); ++i) {
        if (printable(first.paragraphs[i].text()) != printable(again.paragraphs[i].text())) {
            std::fprintf(stderr, "paragraph %zu changed text\n", i);
            std::abort();
        }
    }

    RichDocument doc;
    doc.setContent(first);
    (void)doc.saveRtf();
    (void)doc.plainTextWithBreaks();
    (void)doc.isEmptyText();
    if (size < 1024) {
        QImage page(400, 500, QImage::Format_RGB32);
        QPainter painter(&page);
        doc.setPageBreakMode(true);
        int next = 0, pages = 0;
        do {
            next = doc.paintPage(painter, 5, 5, 390, 495, next);
        } while (next > 0 && ++pages < 50);
    }
    return 0;
}
