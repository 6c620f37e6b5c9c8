// TCoverEditor, "Cover Sheet Template Editor": the description and rich
// text of one cover sheet template, with an Insert menu for the merge
// fields, a zoom button and the editor tool bar. The cover template
// browser drives it through CoverTemplateEditor. Remembers its window
// placement. Modal, created for one use. User-interface thread only.
#pragma once

#include "compose/coverlibrary.h"
#include "compose/editordialog.h"

class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;

namespace qln::richtext {
class TRichEdit;
class TRichEditToolBar;
}

namespace qln::compose {

class EditorButtons;
class ZoomButton;

class TCoverEditor : public EditorDialog, public CoverTemplateEditor {
    Q_OBJECT
public:
    explicit TCoverEditor(QWidget *parent = nullptr);
    ~TCoverEditor() override;

    // CoverTemplateEditor
    void setDescription(const std::string &text) override;
    std::string description() const override;
    richtext::RichDocument &document() override;
    void setTypingAttributes(const richtext::CharAttributes &a) override;
    bool run(const EditorClose &close) override;

    richtext::TRichEdit *editor() const { return WPCover; }
    QLineEdit *descriptionEdit() const { return CoverDescription; }
    QMenu *insertMenu() const { return InsertMenu; }
    ZoomButton *zoom() const { return zoom_; }
    EditorButtons *editorButtons() const { return buttons_; }
    QToolButton *zoomButton() const { return Zoombutton; }

    // The Insert menu item with this caption ("Recipient", "Fax Number",
    // ...), as the user would choose it.
    void insertField(const QString &caption);


protected:
    void showEvent(QShowEvent *e) override;
    void changeEvent(QEvent *e) override;
    void done(int r) override;

private:
    QLineEdit *CoverDescription = nullptr;
    richtext::TRichEdit *WPCover = nullptr;
    richtext::TRichEditToolBar *WPToolBar1 = nullptr;
    QPushButton *InsertButton = nullptr;
    QMenu *InsertMenu = nullptr;
    QToolButton *Zoombutton = nullptr;
    QPushButton *OKbutton = nullptr;
    QPushButton *CancelButton = nullptr;
    QPushButton *HelpButton = nullptr;
    EditorButtons *buttons_ = nullptr;
    ZoomButton *zoom_ = nullptr;
    bool shown_ = false;
    bool activated_ = false;
};

}  // namespace qln::compose
