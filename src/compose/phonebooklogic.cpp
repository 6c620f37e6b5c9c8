#include "compose/phonebooklogic.h"

#include "common/messages.h"

#include <stdexcept>

namespace qln::compose {

namespace texts {
const char *const kPhoneBookCaption = "Phone Book Browser";
const char *const kPhoneBookEditorCaption = "Phone Book Editor";
const char *const kDeleteCaption = "Delete";
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

bool PhoneBookLogic::open() { return tables_.OpenPhoneDBF(phone_); }

long PhoneBookLogic::count()
{
    try {
        return phone_.Active() ? phone_.QueryRecCount() : 0;
    } catch (const std::exception &) {
        return 0;
    }
}

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
    std::vector<records::PhoneEntry> out;
    if (!phone_.Active())
        return out;
    try {
        const long n = phone_.VisibleCount();
        out.reserve(size_t(n));
        for (long i = 0; i < n; ++i) {
            records::PhoneEntry e = records::phoneAt(phone_, i);
            if (e.recNo > 0)
                out.push_back(std::move(e));
        }
    } catch (const std::exception &) {
        // A table that cannot be read lists what was read so far.
    }
    return out;
}

bool PhoneBookLogic::goTo(long recordNumber)
{
    try {
        return phone_.Active() && phone_.PositionOf(recordNumber) >= 0 && phone_.GoTo(recordNumber);
    } catch (const std::exception &) {
        return false;
    }
}

long PhoneBookLogic::currentRecordNumber()
{
    try {
        return phone_.Active() ? phone_.RecNo() : 0;
    } catch (const std::exception &) {
        return 0;
    }
}

bool PhoneBookLogic::store(const PhoneEntryText &entry, bool append)
{
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
    if (messages().cautiousQuestion(deleteQuestion(row.name), texts::kDeleteCaption)) {
        bool ok = false;
        try {
            ok = phone_.Delete();
        } catch (const std::exception &) {
        }
        if (!ok)
            messages().information("Unable to delete the phone book entry.");
    }
    refresh();
}

// After a change the current row is the one that took a deleted row's place,
// or the new last row, or none.
void PhoneBookLogic::refresh()
{
    try {
        const long recno = phone_.RecNo();
        if (phone_.PositionOf(recno) >= 0)
            return;
        const long visible = phone_.VisibleCount();
        if (visible == 0) {
            phone_.First();
            return;
        }
        // The flagged row's neighbour in the order is the next visible row.
        phone_.Next();
        if (phone_.Eof())
            phone_.Last();
    } catch (const std::exception &) {
        // The list shows what the table holds either way.
    }
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
