// TRichEdit: the rich-text editing control of the fax editor and the cover
// template editor, a QTextEdit over a RichDocument. It adds what those
// windows ask of it: page layout, typing attributes, hard page breaks,
// word wrap, zoom, paragraph spacing, merge fields filled through the
// GetTextToInsert callback, and a StartSpellCheck signal raised by the
// spell-check button of its tool bar (TRichEditToolBar, richtoolbar.h).
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

private:
    RichDocument rich_;
    RichDocument::TextToInsert getTextToInsert_;
};

}  // namespace qln::richtext
