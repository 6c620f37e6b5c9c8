// TPhoneBook, "Phone Book Browser": lists the phonebook and adds, edits and
// deletes entries through TPhoneBookEditor. In browse mode (the main
// window's Phone Book command) only Close ends it; in pick mode (the fax
// editor's Phonebook button) Accept takes the current entry and Cancel
// leaves. Every decision is PhoneBookLogic's; the window shows the rows and
// the button state. Modal, created for one use. User-interface thread only.
#pragma once

#include "compose/phonebooklogic.h"

#include <QDialog>

class QPushButton;

namespace qln::compose {

class TableGrid;

class TPhoneBook : public QDialog {
    Q_OBJECT
public:
    // `logic` must have its table open; it outlives the window.
    explicit TPhoneBook(PhoneBookLogic &logic, QWidget *parent = nullptr);

    // Browse mode keeps the design state (Close shown); pick mode hides
    // Close and shows Accept and Cancel.
    void setPickMode(bool pick);

    // The editor used by New and Edit (default: TPhoneBookEditor, modal).
    void setEntryEditor(PhoneEntryEditor editor) { editor_ = std::move(editor); }

    TableGrid *grid() const { return PhoneGrid; }
    QPushButton *button(const char *objectName) const;

public slots:
    void AddbuttonClick();
    void ModifybuttonClick();
    void DeletebuttonClick();
    void OKButtonClick();
    // Reads the rows again and sets the buttons.
    void UpdateButtons();

protected:
    void showEvent(QShowEvent *e) override;

private:
    void reloadRows();

    PhoneBookLogic &logic_;
    PhoneEntryEditor editor_;
    TableGrid *PhoneGrid = nullptr;
    QPushButton *Closebutton = nullptr;
    QPushButton *Cancelbutton = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *Addbutton = nullptr;
    QPushButton *Modifybutton = nullptr;
    QPushButton *Deletebutton = nullptr;
    QPushButton *Helpbutton = nullptr;
};

// Shows the entry editor modally over `parent`; the default editor of
// TPhoneBook.
bool runPhoneBookEditor(QWidget *parent, PhoneEntryText &entry);

}  // namespace qln::compose
