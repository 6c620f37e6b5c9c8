// The formatting tool bar of a rich-text editor (font lists, styles,
// alignment, clipboard, spell check), and the spell check dialog opened by
// the editor's StartSpellCheck event. User-interface thread only.
#pragma once

class QToolBar;
class QWidget;

namespace qln::richtext {
class TRichEdit;
}

namespace qln::compose {

// A tool bar bound to `editor`, owned by `parent`; the windows add their
// own buttons after it.
QToolBar *makeRichToolBar(richtext::TRichEdit &editor, QWidget *parent);
// Opens the spell check dialog, modally over `parent`, whenever the
// editor asks for it.
void connectSpellCheck(richtext::TRichEdit &editor, QWidget *parent);

}  // namespace qln::compose
