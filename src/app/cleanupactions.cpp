#include "app/cleanupactions.h"

#include "common/localeformats.h"
#include "common/messages.h"
#include "common/textutil.h"

#include <stdexcept>

namespace qln {

namespace cleanuptexts {
const char *const kCaption = "Fax Log Cleanup Utility";
const char *const kOutgoingTab = "Outgoing Faxes";
const char *const kIncomingTab = "Incoming Faxes";
const char *const kOutgoingTabNone = "OutGoing Faxes (none)";
const char *const kIncomingTabNone = "Incoming Faxes (none)";
const char *const kDeleteCaption = "Delete";
const char *const kDeleteAllCaption = "Delete All";
const char *const kDeleteOne = "Delete this fax? (action is permanent)";
const char *const kDateSelectorCaption = "Delete all before...";
const char *const kEnterAValue = "Please enter a value";
const char *const kVerifyCaption = "Confirm Delete";
const char *const kVerifyMatching = "Are you sure you wish to delete all faxes matching this criteria?";
const char *const kDeletedSuffix = " deleted.";
}  // namespace cleanuptexts

using records::FaxLog;

CleanupActions::CleanupActions(records::FaxTables &tables) : cleanup_(tables) {}

CleanupActions::~CleanupActions() { close(); }

void CleanupActions::activate()
{
    if (!firstActivationPending_)
        return;
    firstActivationPending_ = false;
    cleanup_.Begin();
    outgoingTab_ = true;
}

void CleanupActions::close()
{
    if (firstActivationPending_ || closed_)
        return;
    closed_ = true;
    try {
        cleanup_.End();
    } catch (const std::exception &) {
        // The main window sets its queries again when it reopens a table.
    }
}

CleanupMenuState CleanupActions::menuState()
{
    CleanupMenuState s;
    s.sentItemsVisible = outgoingTab_;
    s.outgoingGridEnabled = !cleanup_.IsEmpty(FaxLog::Outgoing);
    s.incomingGridEnabled = !cleanup_.IsEmpty(FaxLog::Received);
    s.actionsEnabled = outgoingTab_ ? s.outgoingGridEnabled : s.incomingGridEnabled;
    s.outgoingTabText = s.outgoingGridEnabled ? cleanuptexts::kOutgoingTab : cleanuptexts::kOutgoingTabNone;
    s.incomingTabText = s.incomingGridEnabled ? cleanuptexts::kIncomingTab : cleanuptexts::kIncomingTabNone;
    return s;
}

void CleanupActions::report(const records::CleanupResult &result, bool withCount)
{
    if (withCount)
        messages().information(std::to_string(result.deleted) + cleanuptexts::kDeletedSuffix);
    if (!result.error.empty())
        messages().information(result.error);
    if (!result.fileProblems.empty()) {
        std::string text;
        for (const std::string &line : result.fileProblems)
            text += (text.empty() ? "" : "\n") + line;
        messages().information(text);
    }
}

long CleanupActions::deleteCurrent()
{
    if (!messages().question(cleanuptexts::kDeleteOne, cleanuptexts::kDeleteCaption))
        return -1;
    const records::CleanupResult result = cleanup_.DeleteCurrent(activeLog());
    report(result, false);
    return result.deleted;
}

long CleanupActions::runGroup(const std::string &condition)
{
    if (busy)
        busy(true);
    records::CleanupResult result;
    try {
        result = cleanup_.DeleteForCondition(activeLog(), condition, dateConditionActive_);
    } catch (const std::exception &e) {
        result.error = e.what();
    }
    if (busy)
        busy(false);
    report(result, true);
    dateConditionActive_ = false;
    return result.deleted;
}

std::string CleanupActions::beforeDateQuestion(const QDate &day) const
{
    return std::string("Delete all ") + logWord() + " faxes prior to " +
           formatDate(localeFormats().longDateFormat, day) + " (action is permanent)?";
}

std::string CleanupActions::allQuestion() const
{
    return std::string("Delete all ") + logWord() + " faxes ? (action is permanent)";
}

long CleanupActions::deleteBeforeDate(const QDate &day)
{
    if (!day.isValid())
        return -1;
    const std::string condition =
        records::BeforeDateCondition(activeLog(), day.toString(QStringLiteral("yyyyMMdd")).toStdString());
    dateConditionActive_ = true;
    if (!messages().question(beforeDateQuestion(day), cleanuptexts::kDeleteCaption)) {
        dateConditionActive_ = false;
        return -1;
    }
    return runGroup(condition);
}

long CleanupActions::deleteSent()
{
    if (!outgoingTab_ ||
        !messages().question("Delete all outgoing faxes which have been sent? (action is permanent)",
                             cleanuptexts::kDeleteCaption))
        return -1;
    return runGroup(records::kSentCondition);
}

long CleanupActions::deleteNotSent()
{
    if (!outgoingTab_ ||
        !messages().question("Delete all outgoing faxes which have NOT been sent? (action is permanent)",
                             cleanuptexts::kDeleteCaption))
        return -1;
    return runGroup(records::kNotSentCondition);
}

long CleanupActions::deleteAll()
{
    if (!messages().question(allQuestion(), cleanuptexts::kDeleteAllCaption))
        return -1;
    return runGroup(records::kAllCondition);
}

long CleanupActions::deleteMatching(records::MatchField field, const std::string &text, bool exact)
{
    return runGroup(records::MatchCondition(field, text, exact));
}

ConditionsSetup CleanupActions::conditionsSetup()
{
    ConditionsSetup s;
    records::TTable &t = table(activeLog());
    auto value = [&t](const char *field) {
        try {
            return t.Eof() ? std::string() : trim(t.GetString(field));
        } catch (const std::exception &) {
            return std::string();
        }
    };
    if (outgoingTab_) {
        s.chosen = records::MatchField::Recipient;
        s.fromEnabled = false;
        s.recipientEnabled = s.phoneEnabled = true;
        s.recipient = value("RECIPIENT");
        s.phone = value("PHONE");
    } else {
        s.chosen = records::MatchField::From;
        s.fromEnabled = true;
        s.recipientEnabled = s.phoneEnabled = false;
        s.from = value("FROM");
    }
    return s;
}

bool CleanupActions::acceptConditions(const std::string &text)
{
    if (trim(text).empty()) {
        messages().information(cleanuptexts::kEnterAValue);
        return false;
    }
    return messages().question(cleanuptexts::kVerifyMatching, cleanuptexts::kVerifyCaption);
}

}  // namespace qln
