#include "richtext/rtfwriter.h"

#include "richtext/rtfcodepage.h"
#include "richtext/rtfreader.h"

#include <map>

namespace qln::richtext {

namespace {

class Writer {
public:
    explicit Writer(const RtfContent &c) : c_(c) {}
    QByteArray run();

private:
    int fontIndex(const QString &name);
    void collectFonts();
    void writeFontTable();
    void writeParagraph(const RtfParagraph &p);
    void writeCharProps(const RtfCharProps &p);
    void writeText(const QString &s);
    void writeName(const QString &s);
    void word(const char *w, int v) { out_ += '\\'; out_ += w; out_ += QByteArray::number(v); }
    void word(const char *w) { out_ += '\\'; out_ += w; }

    const RtfContent &c_;
    QByteArray out_;
    std::vector<QString> fonts_;
    std::map<QString, int> fontIndex_;
};

QByteArray Writer::run()
{
    collectFonts();
    out_.reserve(1024 + 64 * qsizetype(c_.paragraphs.size()));
    out_ += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n";
    writeFontTable();
    const RtfPageSetup &pg = c_.page;
    word("paperw", pg.width);
    word("paperh", pg.height);
    word("margl", pg.left);
    word("margr", pg.right);
    word("margt", pg.top);
    word("margb", pg.bottom);
    out_ += '\n';
    for (const RtfParagraph &p : c_.paragraphs)
        writeParagraph(p);
    out_ += "}\n";
    return out_;
}

void Writer::collectFonts()
{
    auto add = [this](const QString &name) {
        const QString n = name.isEmpty() ? QStringLiteral("Arial") : name;
        if (!fontIndex_.count(n)) {
            fontIndex_[n] = int(fonts_.size());
            fonts_.push_back(n);
        }
    };
    for (const RtfParagraph &p : c_.paragraphs) {
        for (const RtfRun &r : p.runs)
            add(r.props.font);
        add(p.markProps.font);
    }
    if (fonts_.empty())
        add(QString());
}

int Writer::fontIndex(const QString &name)
{
    auto it = fontIndex_.find(name.isEmpty() ? QStringLiteral("Arial") : name);
    return it == fontIndex_.end() ? 0 : it->second;
}

void Writer::writeFontTable()
{
    out_ += "{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        out_ += "{";
        word("f", int(i));
        out_ += "\\fnil\\fcharset0 ";
        writeName(fonts_[i]);
        out_ += ";}";
    }
    out_ += "}\n";
}

void Writer::writeName(const QString &s)
{
    // A ';' inside a name would end the entry, so it is escaped like any
    // character outside plain ASCII.
    for (QChar ch : s) {
        const char16_t u = ch.unicode();
        if (u == ';' || u == '\\' || u == '{' || u == '}' || u < 0x20 || u > 0x7E) {
            unsigned char b = 0;
            if (u >= 0x20 && toWindows1252(ch, b)) {
                out_ += "\\'";
                out_ += QByteArray::number(b, 16).rightJustified(2, '0');
            } else if (u >= 0x20) {
                word("u", static_cast<int16_t>(u));
                out_ += '?';
            }
        } else {
            out_ += char(u);
        }
    }
}

void Writer::writeCharProps(const RtfCharProps &p)
{
    word("plain");
    word("f", fontIndex(p.font));
    word("fs", p.halfPoints);
    if (p.bold)
        word("b");
    if (p.italic)
        word("i");
    if (p.underline)
        word("ul");
    out_ += ' ';
}

void Writer::writeParagraph(const RtfParagraph &p)
{
    const RtfParaProps &pp = p.props;
    word("pard");
    if (pp.style > 0)
        word("s", pp.style);
    if (pp.pageBreakBefore)
        word("pagebb");
    switch (pp.align) {
    case RtfAlign::Left: word("ql"); break;
    case RtfAlign::Right: word("qr"); break;
    case RtfAlign::Center: word("qc"); break;
    case RtfAlign::Justify: word("qj"); break;
    }
    if (pp.leftIndent)
        word("li", pp.leftIndent);
    if (pp.rightIndent)
        word("ri", pp.rightIndent);
    if (pp.firstOffset)
        word("fi", pp.firstOffset);
    if (pp.spaceBefore)
        word("sb", pp.spaceBefore);
    if (pp.spaceAfter)
        word("sa", pp.spaceAfter);
    switch (pp.lineRule) {
    case RtfLineRule::Single: break;
    case RtfLineRule::AtLeast: word("sl", pp.lineValue); word("slmult", 0); break;
    case RtfLineRule::Exactly: word("sl", -pp.lineValue); word("slmult", 0); break;
    case RtfLineRule::Multiple: word("sl", pp.lineValue); word("slmult", 1); break;
    }
    if (pp.contextualSpacing)
        word("contextualspace");
    if (pp.widowControl)
        word("widctlpar");
    if (pp.keepNext)
        word("keepn");
    if (pp.keepTogether)
        word("keep");

    const RtfCharProps *current = nullptr;
    for (const RtfRun &r : p.runs) {
        if (r.mergeTag > 0) {
            out_ += "{\\field{\\*\\fldinst ";
            out_ += kMergeInstruction;
            out_ += ' ';
            out_ += QByteArray::number(r.mergeTag);
            out_ += "}{\\fldrslt ";
            writeCharProps(r.props);
            writeText(r.text);
            out_ += "}}";
            continue;
        }
        if (!current || !(*current == r.props)) {
            writeCharProps(r.props);
            current = &r.props;
        }
        writeText(r.text);
    }
    // The paragraph mark carries the size an empty line is measured in.
    if (!current || !(*current == p.markProps))
        writeCharProps(p.markProps);
    out_ += "\\par\n";
}

void Writer::writeText(const QString &s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar ch = s[i];
        const char16_t u = ch.unicode();
        switch (u) {
        case '\\': out_ += "\\\\"; continue;
        case '{': out_ += "\\{"; continue;
        case '}': out_ += "\\}"; continue;
        case '\t': out_ += "\\tab "; continue;
        case QChar::LineSeparator: out_ += "\\line "; continue;
        case QChar::Nbsp: out_ += "\\~"; continue;
        case QChar::SoftHyphen: out_ += "\\-"; continue;
        case 0x2011: out_ += "\\_"; continue;
        default: break;
        }
        if (u < 0x20)
            continue;  // other control characters have no place in the text
        if (u < 0x7F) {
            out_ += char(u);
            continue;
        }
        unsigned char b = 0;
        if (toWindows1252(ch, b)) {
            out_ += "\\'";
            out_ += QByteArray::number(b, 16).rightJustified(2, '0');
            continue;
        }
        // Everything else, surrogate halves included, as signed 16-bit \u.
        word("u", static_cast<int16_t>(u));
        out_ += '?';
    }
}

}  // namespace

QByteArray writeRtf(const RtfContent &content)
{
    return Writer(content).run();
}

}  // namespace qln::richtext
