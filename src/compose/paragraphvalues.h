// The paragraph properties dialog's values, apart from the window: six
// values of a paragraph in twips, shown in the dialog's units and converted
// back as the user types.
//
// Indents (first line, left, right) show inches or centimetres with two
// decimals; spacing (before, after, line height) shows whole points. Typed
// text is read with the locale's decimal separator (a '.' is accepted too);
// an empty text is 0. A text that is not a number shows the conversion
// error "'%s' is not a valid floating point value" in the standard error
// box and leaves that value as it was. With "Same as Left Indent" chosen
// the first-line indent follows the left indent's text. Plain object;
// user-interface thread (it shows the error box).
#pragma once

#include "richtext/richdocument.h"

#include <QLocale>
#include <QString>

#include <array>

namespace qln::compose {

enum class ParagraphEdit { FirstIndent, LeftIndent, RightIndent, SpaceBeforePts, SpaceAfterPts, LineHeightPts };
constexpr int kParagraphEditCount = 6;

enum class LengthUnit { Inch, Cm };
enum class FirstIndentMode { SameAsLeft, IndentedBy };

class ParagraphValues {
public:
    // Takes the caret paragraph's values; the unit starts as inches and the
    // first-indent mode as "Indented by" exactly when the first-line indent
    // differs from the left indent.
    explicit ParagraphValues(const richtext::ParagraphSpacing &read, const QLocale &locale = QLocale());

    LengthUnit unit() const { return unit_; }
    // Redisplays every value in the new unit.
    void setUnit(LengthUnit unit);

    FirstIndentMode firstIndentMode() const { return mode_; }
    // "Same as Left Indent" copies the left indent's text into the first
    // indent; the first indent edit is enabled only for "Indented by".
    void setFirstIndentMode(FirstIndentMode mode);
    bool firstIndentEnabled() const { return mode_ == FirstIndentMode::IndentedBy; }

    QString text(ParagraphEdit edit) const { return texts_[size_t(edit)]; }
    int twips(ParagraphEdit edit) const { return twips_[size_t(edit)]; }
    // Hint of an indent edit ("... in inches"/"... in centimeters"); empty
    // for the spacing edits.
    QString hint(ParagraphEdit edit) const;

    // The user typed `text`: stores it and its value. False, after the
    // error box, when it is not a number (the value stays as it was).
    bool setText(ParagraphEdit edit, const QString &text);

    // The six values for the paragraph (applied on OK).
    richtext::ParagraphSpacing spacing() const;

    // The conversion error text for a typed text.
    static QString conversionError(const QString &text);
    static constexpr const char *kUnitNames[2] = {"Inch", "Cm"};
    static constexpr const char *kFirstIndentModes[2] = {"Same as Left Indent", "Indented by"};

private:
    static bool isIndent(ParagraphEdit edit);
    QString display(ParagraphEdit edit) const;
    bool parse(const QString &text, double &value) const;
    int toTwips(ParagraphEdit edit, double value) const;
    void redisplay();

    QLocale locale_;
    LengthUnit unit_ = LengthUnit::Inch;
    FirstIndentMode mode_ = FirstIndentMode::IndentedBy;
    std::array<int, kParagraphEditCount> twips_{};
    std::array<QString, kParagraphEditCount> texts_;
};

}  // namespace qln::compose
