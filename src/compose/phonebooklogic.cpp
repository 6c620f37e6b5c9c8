#include "compose/phonebooklogic.h"

#include "common/dialstring.h"
#include "common/messages.h"
#include "compose/sidetable.h"

#include <stdexcept>

namespace qln::compose {

namespace texts {
const char *const kPhoneBookCaption = "Phone Book Browser";
const char *const kPhoneBookEditorCaption = "Phone Book Editor";
const char *const kDeleteCaption = "Delete";
const char *const kPhoneTableFailed = "Unable to open/create the PHONE datafile";
}  // namespace texts

PhoneBookLogic::PhoneBookLogic(records::FaxTables &tables) : tables_(tables) {}

PhoneBookLogic::~PhoneBookLogic()
{
    try {
        phone_.Close();
    } catch (const std::exception &) {
        // Closing when the browser goes: nothing left to report to.
    }
}

bool PhoneBookLogic::open()
{
    if (tables_.OpenPhoneDBF(phone_))
        return true;
    messages().information(texts::kPhoneTableFailed);
    return false;
}

long PhoneBookLogic::count() { return listedCount(phone_); }

PhoneBookLogic::Buttons PhoneBookLogic::buttons()
{
    Buttons b;
    const bool pick = mode_ == Mode::Pick;
    b.closeShown = !pick;
    b.cancelShown = pick;
    b.acceptShown = pick;
    const bool rows = count() > 0;
    b.editEnabled = rows;
    b.deleteEnabled = rows;
    b.acceptEnabled = rows;
    return b;
}

std::vector<records::PhoneEntry> PhoneBookLogic::entries()
{
    return listedRows(phone_, &records::phoneAt);
}

bool PhoneBookLogic::goTo(long recordNumber) { return goToListed(phone_, recordNumber); }

long PhoneBookLogic::currentRecordNumber() { return currentRecord(phone_); }

bool PhoneBookLogic::store(const PhoneEntryText &entry, bool append)
{
    // A number the modem could not dial is refused before anything is written.
    if (const std::string why = dialStringProblem(entry.number); !why.empty()) {
        messages().information(why);
        return false;
    }
    try {
        if (append)
            phone_.Append();
        else
            phone_.Edit();
        phone_.SetString("NAME", entry.name);
        phone_.SetString("PHONE", entry.number);
        phone_.Post();
        return true;
    } catch (const std::exception &e) {
        phone_.Cancel();
        messages().information(std::string("Unable to save the phone book entry: ") + e.what());
        return false;
    }
}

long PhoneBookLogic::addEntry(const PhoneEntryText &entry)
{
    if (!phone_.Active() || !store(entry, true))
        return 0;
    return currentRecordNumber();
}

void PhoneBookLogic::newEntry(const PhoneEntryEditor &editor)
{
    PhoneEntryText entry;
    if (editor(entry))
        addEntry(entry);
}

void PhoneBookLogic::editEntry(const PhoneEntryEditor &editor)
{
    if (count() == 0) {
        messages().beep();
        return;
    }
    const records::PhoneEntry row = records::readPhone(phone_);
    PhoneEntryText entry{row.name, row.phone};
    if (!editor(entry))
        return;
    // The editor is modal, but the row is found again by number in case
    // the table moved meanwhile.
    goTo(row.recNo);
    store(entry, false);
}

std::string PhoneBookLogic::deleteQuestion(const std::string &name)
{
    return "Delete the current phone book entry?:\r" + name;
}

void PhoneBookLogic::deleteEntry()
{
    if (count() == 0) {
        messages().beep();
        return;
    }
    const records::PhoneEntry row = records::readPhone(phone_);
    if (messages().cautiousQuestion(deleteQuestion(row.name), texts::kDeleteCaption))
        deleteCurrentRow(phone_, "phone book entry");
    settleAfterDelete(phone_);
}

bool PhoneBookLogic::accept()
{
    if (count() == 0)
        return false;
    const records::PhoneEntry row = records::readPhone(phone_);
    pickedName_ = row.name;
    pickedNumber_ = row.phone;
    return true;
}

}  // namespace qln::compose
