#include "richtext/rtfreader.h"

#include "richtext/richdocument.h"
#include "richtext/rtfcodepage.h"
#include "richtext/rtftokenizer.h"

#include <QStringDecoder>

#include <algorithm>
#include <map>
#include <set>
#include <string_view>

namespace qln::richtext {

namespace {

// Deeper groups are read as if skipped; real documents nest a dozen levels.
constexpr int kMaxDepth = 1000;
// Lengths outside ±22 inches are taken as ±22 inches.
constexpr int kMaxTwips = 31680;

enum class Dest { Text, Skip, FontTable, FieldInst, UprSkip };

struct CharState {
    int font = -1;  // -1 = the default font (\deff)
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct GroupState {
    Dest dest = Dest::Text;
    Dest uprOuter = Dest::Text;  // the destination \ud returns to inside \upr
    CharState chr;
    RtfParaProps para;
    int uc = 1;
    int field = -1;              // innermost field this group is part of
    bool fieldOwner = false;     // the group that holds \field
    bool fieldResult = false;    // inside that field's \fldrslt
};

struct FieldState {
    QString inst;
    int mergeTag = 0;
    bool hadResult = false;
};

struct FontEntry {
    QString name;
    int codePage = 0;
};

// Groups whose content is never body text, skipped even without \*.
bool isSkippedDestination(std::string_view w)
{
    static const std::set<std::string_view> names = {
        "colortbl", "stylesheet", "info", "pict", "objdata", "header", "headerl", "headerr",
        "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "listtable",
        "listoverridetable", "revtbl", "rsidtbl", "xe", "tc", "template", "themedata", "datastore",
        "latentstyles", "pgdsctbl", "nonshppict", "shp", "pn", "filetbl", "fchars", "lchars",
        "xmlnstbl", "mmathPr", "atnid", "atnauthor", "atndate", "atnref", "atntime", "bkmkstart",
        "bkmkend", "docvar", "userprops", "private", "objclass", "objname", "objalias", "objsect",
        "objtime", "generator", "wgrffmtfilter", "ftnsep", "ftnsepc", "ftncn", "aftnsep",
        "aftnsepc", "aftncn", "comment", "title", "subject", "author", "operator", "keywords",
        "doccomm", "hlinkbase", "buptim", "creatim", "revtim", "printim"};
    return names.count(w) > 0;
}

// Control words that stand for one character.
char16_t specialCharacter(std::string_view w)
{
    static const std::map<std::string_view, char16_t> chars = {
        {"tab", u'\t'},       {"line", QChar::LineSeparator}, {"lbr", QChar::LineSeparator},
        {"emdash", 0x2014},   {"endash", 0x2013},             {"emspace", 0x2003},
        {"enspace", 0x2002},  {"qmspace", 0x2005},            {"bullet", 0x2022},
        {"lquote", 0x2018},   {"rquote", 0x2019},             {"ldblquote", 0x201C},
        {"rdblquote", 0x201D}};
    auto it = chars.find(w);
    return it == chars.end() ? 0 : it->second;
}

int clampTwips(int v)
{
    return std::clamp(v, -kMaxTwips, kMaxTwips);
}

class Reader {
public:
    explicit Reader(QByteArrayView data) : tok_(data) { stack_.emplace_back(); }

    RtfContent run();

private:
    GroupState &state() { return stack_.back(); }
    const GroupState &state() const { return stack_.back(); }

    void openGroup();
    void closeGroup();
    void controlWord(const RtfToken &t);
    void controlSymbol(char c);
    void textBytes(QByteArrayView bytes);
    void addBytes(QByteArrayView bytes);
    void hexByte(unsigned char b);
    void unicodeChar(int n);
    void appendText(const QString &s);
    void appendRun(const QString &s, int mergeTag, int fieldId);
    void flushBytes();
    void endParagraph();
    void commitFont();
    void setCharWord(std::string_view w, bool has, int v);
    bool setParaWord(std::string_view w, bool has, int v);
    int codePage() const;
    RtfCharProps charProps() const;

    RtfTokenizer tok_;
    std::vector<GroupState> stack_;
    int overflow_ = 0;        // groups opened beyond kMaxDepth
    bool starPending_ = false;
    bool finished_ = false;

    QByteArray pendingBytes_;
    int pendingCodePage_ = 0;
    char16_t highSurrogate_ = 0;
    int skipChars_ = 0;

    RtfParagraph cur_;
    bool curBreak_ = false;        // \page: this paragraph starts a page
    bool sectionBreak_ = false;    // \sect with a page break pending
    std::map<int, FontEntry> fonts_;
    int defaultFont_ = 0;
    bool widowDefault_ = false;
    int ansiCodePage_ = 1252;
    int fontNumber_ = -1;
    int fontCharset_ = 0;
    QString fontName_;
    std::vector<FieldState> fields_;
    RtfContent out_;
    CodePageDecoders decoders_;
};

RtfContent Reader::run()
{
    while (!finished_) {
        RtfToken t = tok_.next();
        if (t.kind == RtfToken::End)
            break;
        if (t.kind == RtfToken::GroupOpen) {
            openGroup();
            continue;
        }
        if (t.kind == RtfToken::GroupClose) {
            closeGroup();
            continue;
        }
        if (overflow_ > 0 || state().dest == Dest::Skip)
            continue;
        switch (t.kind) {
        case RtfToken::Text:
            textBytes(t.word);
            break;
        case RtfToken::HexByte:
            hexByte(t.byte);
            break;
        case RtfToken::ControlWord:
            flushBytes();
            controlWord(t);
            break;
        case RtfToken::ControlSymbol:
            flushBytes();
            controlSymbol(t.symbol);
            break;
        default:
            break;  // \bin data: never text
        }
    }
    flushBytes();
    while (stack_.size() > 1)
        closeGroup();
    if (!cur_.runs.empty() || curBreak_ || out_.paragraphs.empty())
        endParagraph();
    return std::move(out_);
}

void Reader::openGroup()
{
    flushBytes();
    starPending_ = false;
    skipChars_ = 0;
    if (overflow_ > 0 || int(stack_.size()) >= kMaxDepth) {
        ++overflow_;
        return;
    }
    GroupState next = state();
    next.fieldOwner = false;
    stack_.push_back(next);
}

void Reader::closeGroup()
{
    flushBytes();
    starPending_ = false;
    skipChars_ = 0;
    if (overflow_ > 0) {
        --overflow_;
        return;
    }
    if (stack_.size() <= 1) {
        // The root group has closed: what follows is not part of the text.
        finished_ = true;
        return;
    }
    const GroupState closing = state();
    stack_.pop_back();
    if (closing.dest == Dest::FontTable && state().dest != Dest::FontTable)
        commitFont();
    else if (closing.dest == Dest::FontTable && fontNumber_ >= 0 && !fontName_.trimmed().isEmpty())
        commitFont();  // an entry group without its closing ';'
    if (closing.fieldOwner && closing.field >= 0) {
        const FieldState &f = fields_[closing.field];
        // A merge field saved without its result text still shows its label.
        if (f.mergeTag > 0 && !f.hadResult && state().dest == Dest::Text) {
            const QString label = mergeFieldLabel(f.mergeTag);
            if (!label.isEmpty())
                appendRun(label, f.mergeTag, closing.field + 1);
        }
    }
}

int Reader::codePage() const
{
    const int font = state().chr.font >= 0 ? state().chr.font : defaultFont_;
    auto it = fonts_.find(font);
    if (it != fonts_.end() && it->second.codePage)
        return it->second.codePage;
    return ansiCodePage_;
}

RtfCharProps Reader::charProps() const
{
    const CharState &c = state().chr;
    RtfCharProps p;
    auto it = fonts_.find(c.font >= 0 ? c.font : defaultFont_);
    if (it == fonts_.end())
        it = fonts_.find(defaultFont_);
    if (it != fonts_.end())
        p.font = it->second.name;
    p.halfPoints = c.halfPoints;
    p.bold = c.bold;
    p.italic = c.italic;
    p.underline = c.underline;
    return p;
}

void Reader::textBytes(QByteArrayView bytes)
{
    if (skipChars_ > 0) {
        const qsizetype n = std::min<qsizetype>(skipChars_, bytes.size());
        skipChars_ -= int(n);
        bytes = bytes.sliced(n);
    }
    if (bytes.isEmpty())
        return;
    if (state().dest == Dest::FontTable) {
        // Entries end at a ';' written as text (not at an escaped one).
        qsizetype start = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != ';')
                continue;
            addBytes(bytes.sliced(start, i - start));
            flushBytes();
            commitFont();
            start = i + 1;
        }
        bytes = bytes.sliced(start);
    }
    addBytes(bytes);
}

void Reader::addBytes(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const int cp = state().dest == Dest::FontTable && codePageOfCharset(fontCharset_)
                       ? codePageOfCharset(fontCharset_)
                       : codePage();
    if (!pendingBytes_.isEmpty() && pendingCodePage_ != cp)
        flushBytes();
    pendingCodePage_ = cp;
    pendingBytes_.append(bytes);
}

void Reader::hexByte(unsigned char b)
{
    if (skipChars_ > 0) {
        --skipChars_;
        return;
    }
    const char c = static_cast<char>(b);
    addBytes(QByteArrayView(&c, 1));
}

void Reader::flushBytes()
{
    if (pendingBytes_.isEmpty())
        return;
    const QString s = decoders_.decode(pendingCodePage_, pendingBytes_);
    pendingBytes_.clear();
    appendText(s);
}

void Reader::unicodeChar(int n)
{
    skipChars_ = state().uc;
    if (n < 0)
        n += 65536;
    if (n < 0 || n > 0xFFFF)
        return;
    const char16_t u = static_cast<char16_t>(n);
    if (QChar::isHighSurrogate(u)) {
        if (highSurrogate_)
            appendText(QString(QChar(0xFFFD)));
        highSurrogate_ = u;
        return;
    }
    if (QChar::isLowSurrogate(u)) {
        if (highSurrogate_) {
            const QChar pair[2] = {QChar(highSurrogate_), QChar(u)};
            highSurrogate_ = 0;
            appendText(QString(pair, 2));
        } else {
            appendText(QString(QChar(0xFFFD)));
        }
        return;
    }
    appendText(QString(QChar(u)));
}

void Reader::appendText(const QString &s)
{
    if (highSurrogate_) {
        // A high surrogate not followed by its low half.
        highSurrogate_ = 0;
        appendText(QString(QChar(0xFFFD)));
    }
    switch (state().dest) {
    case Dest::FontTable:
        fontName_ += s;
        return;
    case Dest::FieldInst:
        if (state().field >= 0)
            fields_[state().field].inst += s;
        return;
    case Dest::Text:
        break;
    default:
        return;
    }
    int tag = 0, id = 0;
    if (state().field >= 0 && state().fieldResult) {
        FieldState &f = fields_[state().field];
        f.hadResult = true;
        if (f.mergeTag > 0) {
            tag = f.mergeTag;
            id = state().field + 1;
        }
    }
    appendRun(s, tag, id);
}

void Reader::appendRun(const QString &s, int mergeTag, int fieldId)
{
    if (s.isEmpty())
        return;
    const RtfCharProps props = charProps();
    if (!cur_.runs.empty()) {
        RtfRun &last = cur_.runs.back();
        // A merge field stays one run even when its label changes format.
        if (last.fieldId == fieldId && (fieldId != 0 || last.props == props)) {
            last.text += s;
            return;
        }
    }
    cur_.runs.push_back(RtfRun{s, props, mergeTag, fieldId});
}

void Reader::endParagraph()
{
    flushBytes();
    RtfParagraph p = std::move(cur_);
    p.props = state().para;
    p.props.pageBreakBefore = p.props.pageBreakBefore || curBreak_ || sectionBreak_;
    p.markProps = charProps();
    out_.paragraphs.push_back(std::move(p));
    cur_ = RtfParagraph();
    curBreak_ = false;
    sectionBreak_ = false;
}

void Reader::commitFont()
{
    if (fontNumber_ < 0)
        return;
    FontEntry e;
    e.name = fontName_.trimmed();
    e.codePage = codePageOfCharset(fontCharset_);
    if (!e.name.isEmpty() || !fonts_.count(fontNumber_))
        fonts_[fontNumber_] = e;
    fontNumber_ = -1;
    fontName_.clear();
    fontCharset_ = 0;
}

void Reader::setCharWord(std::string_view w, bool has, int v)
{
    CharState &c = state().chr;
    const bool on = !has || v != 0;
    if (w == "plain") {
        c = CharState();
    } else if (w == "f") {
        c.font = has ? v : -1;
    } else if (w == "fs") {
        c.halfPoints = has ? std::clamp(v, 2, 3200) : 24;
    } else if (w == "b") {
        c.bold = on;
    } else if (w == "i") {
        c.italic = on;
    } else if (w == "ulnone") {
        c.underline = false;
    } else if (w.substr(0, 2) == "ul" && w != "ulc") {
        // \ul and its dotted, double, wave, word... variants; \ulc is the
        // underline colour only.
        c.underline = on;
    }
}

bool Reader::setParaWord(std::string_view w, bool has, int v)
{
    RtfParaProps &p = state().para;
    const int tw = has ? clampTwips(v) : 0;
    if (w == "pard") {
        p = RtfParaProps();
        p.widowControl = widowDefault_;
    } else if (w == "s") {
        p.style = has ? std::clamp(v, 0, 32767) : 0;
    } else if (w == "contextualspace") {
        p.contextualSpacing = !has || v != 0;
    } else if (w == "widctlpar") {
        p.widowControl = true;
    } else if (w == "nowidctlpar") {
        p.widowControl = false;
    } else if (w == "keepn") {
        p.keepNext = !has || v != 0;
    } else if (w == "keep") {
        p.keepTogether = !has || v != 0;
    } else if (w == "ql") {
        p.align = RtfAlign::Left;
    } else if (w == "qr") {
        p.align = RtfAlign::Right;
    } else if (w == "qc") {
        p.align = RtfAlign::Center;
    } else if (w == "qj" || w == "qd") {
        p.align = RtfAlign::Justify;
    } else if (w == "li" || w == "lin") {
        p.leftIndent = tw;
    } else if (w == "ri" || w == "rin") {
        p.rightIndent = tw;
    } else if (w == "fi") {
        p.firstOffset = tw;
    } else if (w == "sb") {
        p.spaceBefore = std::max(0, tw);
    } else if (w == "sa") {
        p.spaceAfter = std::max(0, tw);
    } else if (w == "sl") {
        if (!has || v == 0 || v == 1000) {
            // \sl0 and Word's \sl1000 both mean single spacing.
            p.lineRule = RtfLineRule::Single;
            p.lineValue = 0;
        } else {
            p.lineRule = v < 0 ? RtfLineRule::Exactly : RtfLineRule::AtLeast;
            p.lineValue = std::min(std::abs(tw), kMaxTwips);
        }
    } else if (w == "slmult") {
        if (has && v != 0 && p.lineRule == RtfLineRule::AtLeast)
            p.lineRule = RtfLineRule::Multiple;
    } else if (w == "pagebb") {
        p.pageBreakBefore = !has || v != 0;
    } else {
        return false;
    }
    return true;
}

void Reader::controlWord(const RtfToken &t)
{
    const std::string_view w(t.word.data(), t.word.size());
    const bool has = t.hasParam;
    const int v = t.param;
    GroupState &s = state();

    if (starPending_) {
        starPending_ = false;
        if (w == "ud" && s.dest == Dest::UprSkip) {
            s.dest = s.uprOuter;
            return;
        }
        if (w != "fldinst" && w != "ud") {
            // An ignorable destination this reader does not know.
            s.dest = Dest::Skip;
            return;
        }
    }
    if (w == "u" && has) {
        unicodeChar(v);
        return;
    }
    skipChars_ = 0;
    if (w == "uc") {
        s.uc = has ? std::clamp(v, 0, 16) : 1;
        return;
    }
    if (s.dest == Dest::FontTable) {
        if (w == "f" && has) {
            commitFont();
            fontNumber_ = v;
        } else if (w == "fcharset" && has) {
            fontCharset_ = v;
        }
        return;
    }
    if (s.dest == Dest::UprSkip)
        return;
    if (w == "upr") {
        s.uprOuter = s.dest;
        s.dest = Dest::UprSkip;
        return;
    }
    if (w == "fonttbl") {
        s.dest = Dest::FontTable;
        return;
    }
    if (isSkippedDestination(w)) {
        s.dest = Dest::Skip;
        return;
    }
    if (w == "field") {
        fields_.push_back(FieldState());
        s.field = int(fields_.size()) - 1;
        s.fieldOwner = true;
        s.fieldResult = false;
        return;
    }
    if (w == "fldinst") {
        s.dest = Dest::FieldInst;
        return;
    }
    if (w == "fldrslt") {
        s.fieldResult = true;
        if (s.field >= 0) {
            FieldState &f = fields_[s.field];
            const QStringList parts = f.inst.simplified().split(QLatin1Char(' '));
            bool ok = false;
            const int tag = parts.size() >= 2 ? parts[1].toInt(&ok) : 0;
            if (parts.size() >= 2 && parts[0] == QLatin1String(kMergeInstruction) && ok && tag > 0 && tag < 1000)
                f.mergeTag = tag;
        }
        return;
    }
    if (s.dest == Dest::FieldInst)
        return;

    // Document-wide settings.
    if (w == "ansi") {
        ansiCodePage_ = 1252;
    } else if (w == "mac") {
        ansiCodePage_ = 10000;
    } else if (w == "pc") {
        ansiCodePage_ = 437;
    } else if (w == "pca") {
        ansiCodePage_ = 850;
    } else if (w == "ansicpg" && has && v > 0) {
        ansiCodePage_ = v;
    } else if (w == "deff" && has) {
        defaultFont_ = v;
    } else if (w == "widowctrl") {
        // Widow and orphan control for the whole document: what \pard
        // starts a paragraph with.
        widowDefault_ = !has || v != 0;
    } else if (has && (w == "paperw" || w == "paperh" || w == "margl" || w == "margr" || w == "margt"
                       || w == "margb" || w == "pgwsxn" || w == "pghsxn" || w == "marglsxn"
                       || w == "margrsxn" || w == "margtsxn" || w == "margbsxn")) {
        const int tw = std::clamp(v, 0, kMaxTwips);
        RtfPageSetup &pg = out_.page;
        if (w == "paperw" || w == "pgwsxn")
            pg.width = tw;
        else if (w == "paperh" || w == "pghsxn")
            pg.height = tw;
        else if (w[4] == 'l')
            pg.left = tw;
        else if (w[4] == 'r')
            pg.right = tw;
        else if (w[4] == 't')
            pg.top = tw;
        else
            pg.bottom = tw;
        out_.hasPageSetup = true;
    }
    // Breaks and special characters.
    else if (w == "par") {
        endParagraph();
    } else if (w == "page") {
        if (!cur_.runs.empty())
            endParagraph();
        curBreak_ = true;
    } else if (w == "sect") {
        if (!cur_.runs.empty())
            endParagraph();
        sectionBreak_ = true;  // until \sbknone or \sbkcol says otherwise
    } else if (w == "sbknone" || w == "sbkcol") {
        sectionBreak_ = false;
    } else if (w == "cell" || w == "nestcell" || w == "row" || w == "nestrow") {
        if (!cur_.runs.empty())
            endParagraph();
    } else if (const char16_t c = specialCharacter(w)) {
        appendText(QString(QChar(c)));
    } else if (!setParaWord(w, has, v)) {
        setCharWord(w, has, v);
    }
}

void Reader::controlSymbol(char c)
{
    if (c == '*') {
        starPending_ = true;
        return;
    }
    starPending_ = false;
    if (skipChars_ > 0) {
        // An escaped character can stand in for a \u character.
        if (c == '\\' || c == '{' || c == '}') {
            --skipChars_;
            return;
        }
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        appendText(QString(QChar(c)));
        break;
    case '~':
        appendText(QString(QChar(QChar::Nbsp)));
        break;
    case '-':
        appendText(QString(QChar(QChar::SoftHyphen)));
        break;
    case '_':
        appendText(QString(QChar(0x2011)));
        break;
    case '\n':
        if (state().dest == Dest::Text)
            endParagraph();
        break;
    case '\t':
        appendText(QStringLiteral("\t"));
        break;
    default:
        break;  // \: \| and others carry nothing Quillon keeps
    }
}

}  // namespace

bool looksLikeRtf(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    qsizetype i = 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n'))
        ++i;
    return data.sliced(i).startsWith("{\\rtf");
}

RtfContent readRtf(QByteArrayView data)
{
    if (!looksLikeRtf(data))
        return readPlainText(data);
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    return Reader(data).run();
}

RtfContent readPlainText(QByteArrayView data)
{
    QString text;
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    text = utf8.decode(data);
    if (utf8.hasError()) {
        CodePageDecoders decoders;
        text = decoders.decode(1252, data);
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    RtfContent out;
    RtfCharProps props;
    props.halfPoints = 20;
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.back().isEmpty())
        lines.removeLast();  // the line end of the last line
    bool breakPending = false;
    for (QString line : lines) {
        const bool onlyBreaks = !line.isEmpty() && line.count(QLatin1Char('\f')) == line.size();
        if (line.startsWith(QLatin1Char('\f')))
            breakPending = true;
        line.remove(QLatin1Char('\f'));
        if (onlyBreaks)
            continue;  // the next paragraph starts the new page
        RtfParagraph p;
        p.markProps = props;
        p.props.pageBreakBefore = breakPending;
        breakPending = false;
        if (!line.isEmpty())
            p.runs.push_back(RtfRun{line, props, 0, 0});
        out.paragraphs.push_back(std::move(p));
    }
    if (breakPending) {
        // A form feed at the end leaves an empty page.
        RtfParagraph p;
        p.markProps = props;
        p.props.pageBreakBefore = true;
        out.paragraphs.push_back(std::move(p));
    }
    if (out.paragraphs.empty()) {
        RtfParagraph p;
        p.markProps = props;
        out.paragraphs.push_back(p);
    }
    return out;
}

}  // namespace qln::richtext
