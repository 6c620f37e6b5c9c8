#include "app/commandrules.h"


namespace qln {

namespace texts {
const char *const kReceiveModeRefusal =
    "You are in Fax Receive mode. This operation cannot be done\r"
    "while in Fax Receive mode. Click the Stop button to end\r"
    "Fax Receive mode";
const char *const kSendInReceiveMode =
    "You are in Fax Receive mode. You cannot send\r"
    "while in Fax Receive mode. Click the Stop button to end\r"
    "Fax Receive mode";
const char *const kSendWrongTab =
    "Please switch to the Outgoing Faxes tab\r"
    "and highlight a fax to send";
const char *const kDeleteCaption = "Delete";
const char *const kExitCaption = "Exit";
const char *const kExitWhileReceiving = "You are receiving a fax. Exit the program?";
const char *const kFaxTableFailed = "Unable to open/create the FAX datafile - closing program";
const char *const kRecTableFailed =
    "Unable to open/create the FAX RECEIVE datafile - closing program";
const char *const kNotAvailable = "This function is not available in this build of Quillon.";
const char *const kMainCaption = "Quillon ";
const char *const kApplicationTitle = "Quillon";
const char *const kWebsiteUrl = "https://quillon.example.org/";
}  // namespace texts

bool refusesInReceiveMode(MainCommand cmd, bool outgoingTabActive)
{
    switch (cmd) {
    case MainCommand::New:
    case MainCommand::Clone:
    case MainCommand::Edit:
    case MainCommand::CoverSheets:
    case MainCommand::PhoneBook:
    case MainCommand::Preferences:
    case MainCommand::RebuildIndexes:
    case MainCommand::FaxLogCleanup:
    case MainCommand::VisitWebsite:
        return true;
    case MainCommand::Delete:
        return !outgoingTabActive;
    default:
        return false;
    }
}

Gate gateCommand(MainCommand cmd, const CommandContext &ctx)
{
    const long activeCount =
        ctx.outgoingTabActive ? ctx.outgoingQueryCount : ctx.incomingQueryCount;
    switch (cmd) {
    case MainCommand::Clone:
        // Clone looks for a row first and refuses only through New.
        if (ctx.outgoingQueryCount == 0)
            return Gate::Beep;
        return ctx.receiveMode ? Gate::RefuseReceiveMode : Gate::Proceed;
    case MainCommand::Send:
        if (ctx.receiveMode)
            return Gate::RefuseSendReceive;
        if (!ctx.outgoingTabActive)
            return Gate::RefuseSendWrongTab;
        return ctx.outgoingQueryCount == 0 ? Gate::Beep : Gate::Proceed;
    case MainCommand::Edit:
    case MainCommand::Delete:
    case MainCommand::View:
    case MainCommand::Print:
        if (ctx.receiveMode && refusesInReceiveMode(cmd, ctx.outgoingTabActive))
            return Gate::RefuseReceiveMode;
        return activeCount == 0 ? Gate::Beep : Gate::Proceed;
    default:
        if (ctx.receiveMode && refusesInReceiveMode(cmd, ctx.outgoingTabActive))
            return Gate::RefuseReceiveMode;
        return Gate::Proceed;
    }
}

std::string deleteOutgoingQuestion(const std::string &subject)
{
    return "Delete the current fax?\r\n(subject: \"" + subject + "\")";
}

std::string deleteIncomingQuestion(const std::string &from)
{
    return "Delete the current fax?\r\n(from: \"" + from + "\")";
}

std::string cloneSubject(const std::string &subject)
{
    return "[clone]" + subject;
}

std::string notesDescription(const std::string &from)
{
    return "From: " + from;
}

}  // namespace qln
