// The editors' own tool bar buttons, shared by the fax editor's two pages
// and the cover template editor: page break (after a question), paragraph
// properties, word wrap and default font, and the zoom button with its
// menu. The decisions are the free functions; the classes only place and
// connect buttons. User-interface thread only.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMenu;
class QToolButton;
class QWidget;

namespace qln::richtext {
class TRichEdit;
class TRichEditToolBar;
}

namespace qln::compose {

namespace texts {
extern const char *const kPageBreakQuestion;  // "Add a page break here?"
extern const char *const kPageBreakCaption;   // "Page Break"
}  // namespace texts

// Asks "Add a page break here?" (No as default) and, on Yes, inserts a
// hard page break at the caret in the current character attributes.
// True when one was inserted.
bool insertPageBreakAsked(richtext::TRichEdit &editor);
// Flips word wrap and repaints; returns the new state.
bool toggleWordWrap(richtext::TRichEdit &editor);
// "Toggle word wrap off" while wrap is on, else "Toggle word wrap on".
QString wordWrapHint(bool wrapOn);
// Zoom button caption: prefix ("Zoom: " or "") + percent + "%".
QString zoomCaption(const QString &prefix, int percent);

// Object names of one set of buttons (they differ between the pages).
struct EditorButtonNames {
    const char *pageBreak;
    const char *paragraph;
    const char *wordWrap;
    const char *defaultFont;
};

// Adds page break, paragraph properties, word wrap and default font to an
// editor's tool bar, with 2-pixel spacers before each when asked.
class EditorButtons : public QObject {
    Q_OBJECT
public:
    EditorButtons(richtext::TRichEdit &editor, richtext::TRichEditToolBar &bar, const EditorButtonNames &names,
                  bool spacers, QWidget *dialogParent);

    QToolButton *pageBreakButton() const { return pageBreak_; }
    QToolButton *paragraphButton() const { return paragraph_; }
    QToolButton *wordWrapButton() const { return wordWrap_; }
    QToolButton *defaultFontButton() const { return defaultFont_; }

private:
    richtext::TRichEdit &editor_;
    QWidget *dialogParent_;
    QToolButton *pageBreak_ = nullptr;
    QToolButton *paragraph_ = nullptr;
    QToolButton *wordWrap_ = nullptr;
    QToolButton *defaultFont_ = nullptr;
};

// The zoom button: drops down "70%", "80%", "100%" below itself; choosing
// one calls `setZoom` and sets the caption; when the menu opens, the item
// equal to `currentZoom()` is checked.
class ZoomButton : public QObject {
    Q_OBJECT
public:
    ZoomButton(QToolButton &button, QString prefix, std::function<int()> currentZoom,
               std::function<void(int)> setZoom);

    QMenu *menu() const { return menu_; }
    // Shows the zoom in the caption.
    void showZoom(int percent);
    // Chooses a menu item as the user would.
    void choose(int percent);

private:
    QToolButton &button_;
    QString prefix_;
    std::function<int()> currentZoom_;
    std::function<void(int)> setZoom_;
    QMenu *menu_;
};

}  // namespace qln::compose
