// The decisions of the clean-up window, apart from the window: which items
// and grids it enables, the tab captions, the questions before each delete
// and the counts after it, and what the condition window starts with and
// accepts. The deleting itself is records::FaxLogCleanup.
//
// Questions and messages go through the message interface, so tests drive
// this object without a screen. User-interface thread only.
#pragma once

#include "records/faxlogcleanup.h"

#include <QDate>

#include <functional>
#include <string>

namespace qln {

namespace cleanuptexts {
extern const char *const kCaption;              // "Fax Log Cleanup Utility"
extern const char *const kOutgoingTab;          // "Outgoing Faxes"
extern const char *const kIncomingTab;          // "Incoming Faxes"
extern const char *const kOutgoingTabNone;      // "OutGoing Faxes (none)"
extern const char *const kIncomingTabNone;      // "Incoming Faxes (none)"
extern const char *const kDeleteCaption;        // "Delete"
extern const char *const kDeleteAllCaption;     // "Delete All"
extern const char *const kDeleteOne;            // "Delete this fax? (action is permanent)"
extern const char *const kDateSelectorCaption;  // "Delete all before..."
extern const char *const kEnterAValue;          // "Please enter a value"
extern const char *const kVerifyCaption;        // "Confirm Delete"
extern const char *const kVerifyMatching;
extern const char *const kDeletedSuffix;        // " deleted."
}  // namespace cleanuptexts

// Help topic of the clean-up window.
inline constexpr int kCleanupHelpContext = 21071;

struct CleanupMenuState {
    bool sentItemsVisible = true;     // the two sent-state items: outgoing tab only
    bool outgoingGridEnabled = false;
    bool incomingGridEnabled = false;
    bool actionsEnabled = false;      // the "Actions" menu and its items
    std::string outgoingTabText, incomingTabText;
};

// What the condition window starts with.
struct ConditionsSetup {
    records::MatchField chosen = records::MatchField::Recipient;
    bool fromEnabled = false;
    bool recipientEnabled = true;
    bool phoneEnabled = true;
    std::string from, recipient, phone;
};

class CleanupActions {
public:
    explicit CleanupActions(records::FaxTables &tables);
    ~CleanupActions();
    CleanupActions(const CleanupActions &) = delete;
    CleanupActions &operator=(const CleanupActions &) = delete;

    // Called with true before and false after a group delete runs, so the
    // window can show the wait cursor and hold its repaints.
    std::function<void(bool running)> busy;

    records::FaxLogCleanup &engine() { return cleanup_; }
    records::TTable &table(records::FaxLog log) { return cleanup_.Table(log); }

    // First activation: keeps and clears the queries, outgoing tab active.
    // Runs once; later calls do nothing.
    void activate();
    bool firstActivationPending() const { return firstActivationPending_; }
    // Closing: sets the kept queries again.
    void close();

    bool changesMade() const { return cleanup_.ChangesMade(); }
    // True while a delete-before-date run is prepared and running.
    bool dateConditionActive() const { return dateConditionActive_; }

    void setOutgoingTab(bool outgoing) { outgoingTab_ = outgoing; }
    bool outgoingTab() const { return outgoingTab_; }
    records::FaxLog activeLog() const
    {
        return outgoingTab_ ? records::FaxLog::Outgoing : records::FaxLog::Received;
    }

    CleanupMenuState menuState();

    // Each action asks first (stops on No) and reports the count. They
    // return the number of faxes deleted, -1 when the user said No.
    long deleteCurrent();
    long deleteBeforeDate(const QDate &day);
    long deleteSent();
    long deleteNotSent();
    long deleteAll();
    long deleteMatching(records::MatchField field, const std::string &text, bool exact);

    ConditionsSetup conditionsSetup();
    // Ok of the condition window: false with "Please enter a value" when the
    // chosen field is blank after trimming, else the verifying question.
    bool acceptConditions(const std::string &text);

    // "Delete all " + "outgoing"/"received" + ... as asked by each action.
    std::string beforeDateQuestion(const QDate &day) const;
    std::string allQuestion() const;

private:
    long runGroup(const std::string &condition);
    void report(const records::CleanupResult &result, bool withCount);
    const char *logWord() const { return outgoingTab_ ? "outgoing" : "received"; }

    records::FaxLogCleanup cleanup_;
    bool firstActivationPending_ = true;
    bool closed_ = false;
    bool outgoingTab_ = true;
    bool dateConditionActive_ = false;
};

}  // namespace qln
