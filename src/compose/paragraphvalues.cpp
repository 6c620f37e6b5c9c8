#include "compose/paragraphvalues.h"

#include "common/messages.h"

#include <cmath>

namespace qln::compose {

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerCm = 566.929;
constexpr double kTwipsPerPoint = 20.0;
}  // namespace

ParagraphValues::ParagraphValues(const richtext::ParagraphSpacing &read, const QLocale &locale)
    : locale_(locale)
{
    locale_.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    twips_ = {read.firstIndent, read.leftIndent, read.rightIndent,
              read.spaceBefore, read.spaceAfter, read.lineHeight};
    mode_ = read.firstIndent != read.leftIndent ? FirstIndentMode::IndentedBy : FirstIndentMode::SameAsLeft;
    redisplay();
}

bool ParagraphValues::isIndent(ParagraphEdit edit)
{
    return edit == ParagraphEdit::FirstIndent || edit == ParagraphEdit::LeftIndent ||
           edit == ParagraphEdit::RightIndent;
}

QString ParagraphValues::display(ParagraphEdit edit) const
{
    const int t = twips_[size_t(edit)];
    if (!isIndent(edit))
        return locale_.toString(qlonglong(std::lround(t / kTwipsPerPoint)));
    const double v = unit_ == LengthUnit::Inch ? t / kTwipsPerInch : t * 2.54 / kTwipsPerInch;
    return locale_.toString(v, 'f', 2);
}

void ParagraphValues::redisplay()
{
    for (int i = 0; i < kParagraphEditCount; ++i)
        texts_[size_t(i)] = display(ParagraphEdit(i));
}

void ParagraphValues::setUnit(LengthUnit unit)
{
    unit_ = unit;
    redisplay();
}

QString ParagraphValues::hint(ParagraphEdit edit) const
{
    const QString unit = unit_ == LengthUnit::Inch ? QStringLiteral("inches") : QStringLiteral("centimeters");
    switch (edit) {
    case ParagraphEdit::LeftIndent: return QStringLiteral("Specify left indent for the paragraph in ") + unit;
    case ParagraphEdit::RightIndent: return QStringLiteral("Specify right indent for the paragraph in ") + unit;
    case ParagraphEdit::FirstIndent:
        return QStringLiteral("Specify first line indent for the paragraph in ") + unit;
    default: return {};
    }
}

QString ParagraphValues::conversionError(const QString &text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

bool ParagraphValues::parse(const QString &text, double &value) const
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        value = 0;
        return true;
    }
    bool ok = false;
    value = locale_.toDouble(t, &ok);
    if (!ok) {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        value = c.toDouble(t, &ok);
    }
    return ok && std::isfinite(value);
}

int ParagraphValues::toTwips(ParagraphEdit edit, double value) const
{
    double factor = kTwipsPerPoint;
    if (isIndent(edit))
        factor = unit_ == LengthUnit::Inch ? kTwipsPerInch : kTwipsPerCm;
    const double t = value * factor;
    // Out-of-range input is held at the int limits rather than overflowing.
    if (t >= 2147483647.0)
        return 2147483647;
    if (t <= -2147483648.0)
        return -2147483647 - 1;
    return int(std::lround(t));
}

bool ParagraphValues::setText(ParagraphEdit edit, const QString &text)
{
    texts_[size_t(edit)] = text;
    double v = 0;
    if (!parse(text, v)) {
        messages().errorBox(conversionError(text).toStdString());
        return false;
    }
    twips_[size_t(edit)] = toTwips(edit, v);
    if (edit == ParagraphEdit::LeftIndent && mode_ == FirstIndentMode::SameAsLeft)
        return setText(ParagraphEdit::FirstIndent, text);
    return true;
}

void ParagraphValues::setFirstIndentMode(FirstIndentMode mode)
{
    mode_ = mode;
    if (mode == FirstIndentMode::SameAsLeft)
        setText(ParagraphEdit::FirstIndent, texts_[size_t(ParagraphEdit::LeftIndent)]);
}

richtext::ParagraphSpacing ParagraphValues::spacing() const
{
    richtext::ParagraphSpacing s;
    s.firstIndent = twips(ParagraphEdit::FirstIndent);
    s.leftIndent = twips(ParagraphEdit::LeftIndent);
    s.rightIndent = twips(ParagraphEdit::RightIndent);
    s.spaceBefore = twips(ParagraphEdit::SpaceBeforePts);
    s.spaceAfter = twips(ParagraphEdit::SpaceAfterPts);
    s.lineHeight = twips(ParagraphEdit::LineHeightPts);
    return s;
}

}  // namespace qln::compose
