// TRichEdit: the rich-text editing control of the fax editor and the cover
// template editor, a QTextEdit over a RichDocument. It adds what those
// windows ask of it: page layout, typing attributes, hard page breaks,
// word wrap, zoom, paragraph spacing, merge fields filled through the
// GetTextToInsert callback, and a StartSpellCheck signal raised by the
// spell-check button of its tool bar (TRichEditToolBar, richtoolbar.h).
//
// Word wrap off (the initial state) breaks lines at the page layout's text
// width, as the fax pages will; word wrap on breaks them at the width of
// the window instead. Zoom scales the text, indents and that width. Merge
// fields are shaded and hard page breaks drawn as a dashed line above their
// paragraph; neither mark is part of the text. The clipboard carries RTF
// (read with Quillon's own reader) and plain text. Ctrl+B, Ctrl+I and
// Ctrl+U toggle bold, italic and underline as the tool bar's buttons do.
//
// User-interface thread only.
#pragma once

#include "richtext/richdocument.h"

#include <QTextEdit>

namespace qln::richtext {

class TRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget *parent = nullptr);
    ~TRichEdit() override;

    RichDocument &richDocument() { return rich_; }
    const RichDocument &richDocument() const { return rich_; }

    // The memo transfer loads and saves through a file.
    bool loadFromFile(const QString &path);
    bool saveToFile(const QString &path) const;
    void clearText();
    // Repaint after a change made from outside ("repaint or reformat").
    void reformat();

    void setPageLayout(const PageLayout &layout);
    CharAttributes currentAttributes() const;
    void setCurrentAttributes(const CharAttributes &a);
    void insertPageBreak();
    bool wordWrap() const;
    void setWordWrap(bool on);
    int zoom() const;
    void setZoom(int percent);
    void moveCaretToStart();
    ParagraphSpacing paragraphSpacing() const;
    void setParagraphSpacing(const ParagraphSpacing &s);

    // What the tool bar changes: for the selection, or for what is typed
    // next when nothing is selected.
    void setFontName(const QString &name);
    void setFontSize(int points);
    void setBold(bool on);
    void setItalic(bool on);
    void setUnderline(bool on);
    void setNormal();  // bold, italic and underline off
    // Turns bold, italic or underline off when the caret's attributes have
    // it, else on (the Ctrl+B, Ctrl+I and Ctrl+U keys).
    void toggleBold();
    void toggleItalic();
    void toggleUnderline();
    Qt::Alignment paragraphAlignment() const;
    void setParagraphAlignment(Qt::Alignment a);  // of the selected paragraphs

    void insertMergeField(int tag);
    // The GetTextToInsert event: the value of a merge field by tag, or
    // std::nullopt to leave the field as it is.
    void setGetTextToInsert(RichDocument::TextToInsert handler) { getTextToInsert_ = std::move(handler); }
    // Fills every merge field of the text through GetTextToInsert.
    void fillMergeFields();

signals:
    // The spell-check button was pressed; the owner opens the dialog.
    void StartSpellCheck();
    // Caret moved or attributes changed: the tool bar follows.
    void attributesChanged();

protected:
    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    // Qt::Key_B, Key_I or Key_U for Ctrl+B, Ctrl+I, Ctrl+U on an editable
    // text; 0 for any other key.
    int styleKey(const QKeyEvent *e) const;
    void mergeFormat(const QTextCharFormat &f);
    void typingFormatChanged(const QTextCharFormat &f);
    void updateWrapWidth();
    void shadeMergeFields();

    RichDocument rich_;
    RichDocument::TextToInsert getTextToInsert_;
    bool wordWrap_ = false;
};

}  // namespace qln::richtext
