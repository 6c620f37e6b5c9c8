#include "compose/sidetable.h"

#include "common/messages.h"

#include <stdexcept>
#include <string>

namespace qln::compose {

long listedCount(records::TTable &t)
{
    try {
        return t.Active() ? t.QueryRecCount() : 0;
    } catch (const std::exception &) {
        return 0;
    }
}

bool goToListed(records::TTable &t, long recordNumber)
{
    try {
        return t.Active() && t.PositionOf(recordNumber) >= 0 && t.GoTo(recordNumber);
    } catch (const std::exception &) {
        return false;
    }
}

long currentRecord(records::TTable &t)
{
    try {
        return t.Active() ? t.RecNo() : 0;
    } catch (const std::exception &) {
        return 0;
    }
}

void settleAfterDelete(records::TTable &t)
{
    try {
        if (t.PositionOf(t.RecNo()) >= 0)
            return;
        if (t.VisibleCount() == 0) {
            t.First();
            return;
        }
        // A flagged row keeps its place in the order: the next visible row
        // is the one that took it.
        t.Next();
        if (t.Eof())
            t.Last();
    } catch (const std::exception &) {
        // The list shows what the table holds either way.
    }
}

bool deleteCurrentRow(records::TTable &t, const char *what)
{
    bool ok = false;
    try {
        ok = t.Delete();
    } catch (const std::exception &) {
    }
    if (!ok)
        messages().information(std::string("Unable to delete the ") + what + ".");
    return ok;
}

}  // namespace qln::compose
