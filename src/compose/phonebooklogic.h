// The decisions of the phonebook browser TPhoneBook, apart from the window:
// which buttons are shown and enabled, New/Edit/Delete with their questions,
// and picking an entry for the fax editor. The window shows the rows and
// calls these; tests and `qlnfax phonebook` drive the same object.
//
// The browser owns its own phonebook table component, opened through
// OpenPhoneDBF (ordered by the upper-case name). Rows are written at once;
// nothing is undone when the browser closes. User-interface thread only.
#pragma once

#include "records/faxrows.h"
#include "records/faxtables.h"
#include "records/ttable.h"

#include <functional>
#include <string>
#include <vector>

namespace qln::compose {

namespace texts {
extern const char *const kPhoneBookCaption;        // "Phone Book Browser"
extern const char *const kPhoneBookEditorCaption;  // "Phone Book Editor"
extern const char *const kDeleteCaption;           // "Delete"
extern const char *const kPhoneTableFailed;        // the phonebook table cannot be opened
}  // namespace texts

// Field widths of a phonebook entry.
constexpr int kPhoneNameChars = 35;
constexpr int kPhoneNumberChars = 25;

struct PhoneEntryText {
    std::string name;
    std::string number;
};

// Shows the entry editor preset with `entry`; true on Accept, with `entry`
// holding the edited values.
using PhoneEntryEditor = std::function<bool(PhoneEntryText &entry)>;

class PhoneBookLogic {
public:
    enum class Mode { Browse, Pick };

    struct Buttons {
        bool closeShown = true;
        bool cancelShown = false;
        bool acceptShown = false;
        bool editEnabled = false;
        bool deleteEnabled = false;
        bool acceptEnabled = false;
    };

    explicit PhoneBookLogic(records::FaxTables &tables);
    ~PhoneBookLogic();

    // Opens the browser's own table; false, after an information box,
    // when it cannot be opened (the caller then does not show the browser).
    bool open();
    records::TTable &table() { return phone_; }

    void setMode(Mode m) { mode_ = m; }
    Mode mode() const { return mode_; }

    // Rows passing the query (0 when the table is not open).
    long count();
    Buttons buttons();

    // The rows in name order.
    std::vector<records::PhoneEntry> entries();
    // Makes a row current; false when it is not listed.
    bool goTo(long recordNumber);
    long currentRecordNumber();

    // New: the editor starts empty; on Accept the entry is appended.
    void newEntry(const PhoneEntryEditor &editor);
    // Edit: beeps on an empty list; the editor starts with the current row.
    void editEntry(const PhoneEntryEditor &editor);
    // Delete: beeps on an empty list; asks (No as default) and flags the row
    // deleted on Yes. Either way the list is refreshed.
    void deleteEntry();
    // Accept in pick mode: takes the current row as the picked entry.
    // False when there is no row.
    bool accept();
    const std::string &pickedName() const { return pickedName_; }
    const std::string &pickedNumber() const { return pickedNumber_; }

    // Appends an entry and posts it; the new row becomes current. Returns
    // its record number, 0 on failure (reported through the message box).
    long addEntry(const PhoneEntryText &entry);

    static std::string deleteQuestion(const std::string &name);

private:
    bool store(const PhoneEntryText &entry, bool append);

    records::FaxTables &tables_;
    records::TTable phone_{"PhoneTable"};
    Mode mode_ = Mode::Browse;
    std::string pickedName_;
    std::string pickedNumber_;
};

}  // namespace qln::compose
