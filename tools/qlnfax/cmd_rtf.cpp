// qlnfax rtf text FILE.rtf: prints a rich-text document's plain text as the
// program reads it, one paragraph a line, and a line holding only a form
// feed for each hard page break. Text that is not RTF is read as plain text.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include <QString>

#include "richtext/richdocument.h"

namespace {

int runRtf(const QlnArgs &args)
{
    if (args.size() != 2 || args[0] != "text")
        throw std::runtime_error("usage: qlnfax rtf text FILE.rtf");
    const std::string &file = args[1];
    qln::richtext::RichDocument doc;
    if (!doc.loadFromFile(QString::fromStdString(file))) {
        std::fprintf(stderr, "qlnfax rtf: %s: cannot be read\n", file.c_str());
        return 1;
    }
    const QByteArray text = doc.plainTextWithBreaks().toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fputc('\n', stdout);
    return 0;
}

const QlnCommand reg{"rtf", "rtf text FILE.rtf",
                     "print a rich-text document's text, one paragraph a line, a form feed line per page break",
                     runRtf};

}  // namespace
