// The formatting tool bar of a rich-text editor and the spell check dialog
// that the editor's StartSpellCheck event opens. User-interface thread
// only.
#pragma once

class QWidget;

namespace qln::richtext {
class TRichEdit;
class TRichEditToolBar;
}

namespace qln::compose {

// A tool bar bound to `editor`, owned by `parent`; the windows add their
// own buttons after it.
richtext::TRichEditToolBar *makeRichToolBar(richtext::TRichEdit &editor, QWidget *parent);
// Opens the spell check dialog, modally over `parent`, whenever the editor
// asks for it.
void connectSpellCheck(richtext::TRichEdit &editor, QWidget *parent);

}  // namespace qln::compose
