// TCoverBrowse, "Cover Sheet Template Browser": lists the cover templates
// and creates, edits, clones and deletes them through TCoverEditor. Browse
// mode (the main window's Cover Sheets command) shows Close; pick mode (the
// fax editor's Load Template) shows Accept and Cancel, and an accepted
// browser leaves the picked template as the cover table's current row.
// Decisions are CoverLibrary's. No system menu. Modal, created for one use.
// User-interface thread only.
#pragma once

#include "compose/coverlibrary.h"

#include <QDialog>

class QPushButton;

namespace qln::compose {

class TableGrid;

class TCoverBrowse : public QDialog {
    Q_OBJECT
public:
    // The library's cover table must be open; it outlives the window.
    explicit TCoverBrowse(CoverLibrary &library, QWidget *parent = nullptr);

    void setPickMode(bool pick);
    // The template editor of New, Clone and Edit (default: TCoverEditor).
    void setEditorFactory(CoverEditorFactory factory) { factory_ = std::move(factory); }

    TableGrid *grid() const { return CoverGrid; }
    QPushButton *button(const char *objectName) const;

public slots:
    void AcceptbuttonClick();
    void NewButtonClick();
    void ModifyButtonClick();
    void CloneButtonClick();
    void DeleteButtonClick();

private:
    void reloadRows();

    CoverLibrary &library_;
    CoverEditorFactory factory_;
    TableGrid *CoverGrid = nullptr;
    QPushButton *CloseButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QPushButton *Acceptbutton = nullptr;
};

}  // namespace qln::compose
