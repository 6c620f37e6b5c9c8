// Enabling rules of the main window's buttons, menu items and grids.
//
// A plain value class: the main window fills a MainViewState after every
// command that may change a list and applies the resulting ButtonEnables to
// its widgets. Kept free of widgets so the rules are checked without a screen.
// Not thread-safe; used on the user-interface thread only.
#pragma once

#include <string>

namespace qln {

// What the enabling rules look at.
struct MainViewState {
    bool outgoingTabActive = true;  // "Outgoing Faxes" is the current tab
    bool receiveMode = false;       // receive mode is on
    bool outgoingEmpty = true;      // outgoing list has no current row
    bool incomingEmpty = true;      // incoming list has no current row
};

// Which controls are usable.
struct ButtonEnables {
    bool newFax = false;       // New button and "&New Fax"
    bool clone = false;        // "Clone Fax"
    bool edit = false;         // Edit button and "&Edit Fax"
    bool remove = false;       // Delete button and "Delete Fax"
    bool send = false;         // Send button and "Send Fax"
    bool receiveItem = false;  // "Receive Faxes" menu item
    bool view = false;         // View button and "View/Print Fax"
    bool print = false;        // Print button
    bool faxGrid = false;      // FaxGrid
    bool recFaxGrid = false;   // RecFaxGrid
};

// A list is empty when its current record number is one past its row count.
bool listIsEmpty(long currentRecordNumber, long rowCount);

ButtonEnables computeButtonEnables(const MainViewState &state);

// Caption and hint of the Receive button, which turns into the stop button
// while receive mode is on.
struct ReceiveButtonText {
    std::string caption;
    std::string hint;
};
ReceiveButtonText receiveButtonText(bool receiveMode);

}  // namespace qln
