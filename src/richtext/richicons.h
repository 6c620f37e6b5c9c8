// Tool-bar icons of the rich-text tool bars, drawn at run time so that they
// look the same with or without an icon theme. The compose windows use the
// last four for their own buttons.
#pragma once

#include <QIcon>

namespace qln::richtext {

enum class RichIcon {
    AlignLeft,
    AlignRight,
    AlignJustify,
    AlignCenter,
    Copy,
    Cut,
    Paste,
    SpellCheck,
    PageBreak,
    Paragraph,
    WordWrap,
    DefaultFont,
};

QIcon richIcon(RichIcon kind);

}  // namespace qln::richtext
