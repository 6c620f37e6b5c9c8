// The decisions of the main window's commands, apart from the window.
//
// Each function answers what a command must do before it touches anything:
// refuse because receive mode is on, beep because there is no current fax,
// or go ahead (possibly after a question whose text is built here). The
// window only carries the answer out. Pure functions; any thread.
#pragma once

#include <string>

namespace qln {

// Commands of the main window that the receive-mode rules distinguish.
enum class MainCommand {
    New,
    Clone,
    Edit,
    Delete,
    Send,
    Receive,
    View,
    Print,
    CoverSheets,
    PhoneBook,
    Preferences,
    RebuildIndexes,
    FaxLogCleanup,
    VisitWebsite,
    ConfigurationInformation,
    About,
    Help,
    ShowHints,
    Exit,
};

namespace texts {
extern const char *const kReceiveModeRefusal;
extern const char *const kSendInReceiveMode;
extern const char *const kSendWrongTab;
extern const char *const kDeleteCaption;        // "Delete"
extern const char *const kExitCaption;          // "Exit"
extern const char *const kExitWhileReceiving;
extern const char *const kFaxTableFailed;
extern const char *const kRecTableFailed;
extern const char *const kNotAvailable;
extern const char *const kMainCaption;          // "Quillon " (trailing blank)
extern const char *const kApplicationTitle;     // "Quillon"
extern const char *const kWebsiteUrl;
}  // namespace texts

// What a command does first.
enum class Gate {
    Proceed,              // go on with the command
    RefuseReceiveMode,    // show kReceiveModeRefusal and stop
    RefuseSendReceive,    // show kSendInReceiveMode and stop
    RefuseSendWrongTab,   // show kSendWrongTab and stop
    Beep,                 // no current fax: beep and do nothing else
};

struct CommandContext {
    bool receiveMode = false;
    bool outgoingTabActive = true;
    long outgoingQueryCount = 0;   // rows passing the outgoing query
    long incomingQueryCount = 0;   // rows passing the incoming query
};

// The first decision of a command. Commands that need a current fax beep
// when the relevant query passes no row. For Send the no-modem check sits
// between the tab check and the row check; the caller runs the quick set-up
// there (Gate::Proceed is returned once the refusals are passed and a row
// exists).
Gate gateCommand(MainCommand cmd, const CommandContext &ctx);

// Whether a command refuses with the receive-mode text while receive mode is
// on, given the active tab (Delete refuses only on the incoming tab).
bool refusesInReceiveMode(MainCommand cmd, bool outgoingTabActive);

// Delete questions: "Delete the current fax?" CR LF "(subject: "..."")" and
// the same with "(from: " for received faxes.
std::string deleteOutgoingQuestion(const std::string &subject);
std::string deleteIncomingQuestion(const std::string &from);

// Subject given to the editor when a fax is cloned.
std::string cloneSubject(const std::string &subject);

// Text of the notes window's label.
std::string notesDescription(const std::string &from);

}  // namespace qln
