// TFaxEditor, "Fax Editor": recipient, fax number and subject on the
// "Recipient" page, the cover sheet and the fax document on two rich-text
// pages with their tool bars, the zoom button, Read Me First, the
// phonebook pick, Load Template and attaching a PDF or TIFF file as the
// document. The main window's New, Clone and Edit
// run it through FaxComposer (it is the composer's FaxEditorSurface).
// Remembers its window placement. Modal, created for one use.
// User-interface thread only.
#pragma once

#include "compose/faxcomposer.h"
#include "compose/editordialog.h"

#include <QLineEdit>

class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace qln::richtext {
class TRichEdit;
class TRichEditToolBar;
}

namespace qln::compose {

class EditorButtons;
class ZoomButton;

// A single-line edit in which Enter moves the focus to the next control
// (and is not passed on to the window's default button). While it holds
// its design text, a click into it selects the whole text, as Tab does, so
// that typing replaces it.
class TEnterEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    void setDesignText(const QString &text) { design_ = text; }
    bool holdsDesignText() const { return !design_.isEmpty() && text() == design_; }

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    QString design_;
    bool selectOnRelease_ = false;
};

class TFaxEditor : public EditorDialog, public FaxEditorSurface {
    Q_OBJECT
public:
    enum Page { RecipientPage = 0, CoverPage = 1, DocumentPage = 2 };

    explicit TFaxEditor(FaxComposer &composer, records::FaxTables &tables, QWidget *parent = nullptr);
    ~TFaxEditor() override;

    // FaxEditorSurface
    FaxFields fields() const override;
    void setFields(const FaxFields &f) override;
    richtext::RichDocument &cover() override;
    richtext::RichDocument &document() override;
    void setTypingAttributes(const richtext::CharAttributes &a) override;
    bool run(const EditorClose &close) override;

    QTabWidget *pages() const { return PageControl1; }
    richtext::TRichEdit *coverEditor() const { return WPCover; }
    richtext::TRichEdit *documentEditor() const { return WPDoc; }
    richtext::TRichEditToolBar *coverToolBar() const { return WPToolCover; }
    richtext::TRichEditToolBar *documentToolBar() const { return WPToolDoc; }
    TEnterEdit *recipientEdit() const { return Recipient; }
    TEnterEdit *faxNumberEdit() const { return FaxNumber; }
    TEnterEdit *subjectEdit() const { return Subject; }
    QToolButton *zoomButton() const { return Zoombutton; }
    ZoomButton *zoom() const { return zoom_; }
    EditorButtons *coverButtons() const { return coverButtons_; }
    EditorButtons *documentButtons() const { return docButtons_; }
    QPushButton *button(const char *objectName) const;
    // The editor of the active page (the document on "Fax Document", else
    // the cover sheet).
    richtext::TRichEdit *activeEditor() const;

public slots:
    void AddressButtonClick();
    void LoadCoverButtonClick();
    void EditNotesButtonClick();
    void PageControl1Change();
    void AttachDocumentClick();
    void RemoveAttachmentClick();
    // Shows the attached document (if any) above the document text, which
    // is read-only while a document is attached.
    void showAttachment();


protected:
    void showEvent(QShowEvent *e) override;
    void changeEvent(QEvent *e) override;
    void done(int r) override;

private:
    QWidget *buildRecipientPage();
    QWidget *buildEditorPage(richtext::TRichEdit *&editor, richtext::TRichEditToolBar *&bar, bool cover);

    FaxComposer &composer_;
    records::FaxTables &tables_;
    QTabWidget *PageControl1 = nullptr;
    TEnterEdit *Recipient = nullptr;
    TEnterEdit *FaxNumber = nullptr;
    TEnterEdit *Subject = nullptr;
    richtext::TRichEdit *WPCover = nullptr;
    richtext::TRichEdit *WPDoc = nullptr;
    richtext::TRichEditToolBar *WPToolCover = nullptr;
    richtext::TRichEditToolBar *WPToolDoc = nullptr;
    QToolButton *Zoombutton = nullptr;
    QPushButton *EditNotesButton = nullptr;
    EditorButtons *coverButtons_ = nullptr;
    EditorButtons *docButtons_ = nullptr;
    ZoomButton *zoom_ = nullptr;
    QLabel *AttachmentLabel = nullptr;
    QToolButton *RemoveAttachmentButton = nullptr;
    bool shown_ = false;
    bool activated_ = false;
};

// The "Read Me First" notes window.
class TFaxEditorNotes : public QDialog {
    Q_OBJECT
public:
    explicit TFaxEditorNotes(QWidget *parent = nullptr);
};

}  // namespace qln::compose
