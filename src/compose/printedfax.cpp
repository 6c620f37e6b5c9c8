#include "compose/printedfax.h"

#include "compose/faxcomposer.h"
#include "compose/plainfaxsurface.h"
#include "records/faxtables.h"

#include <stdexcept>

namespace qln::compose {

long storePrintedFax(records::FaxTables &tables, const PrintedFax &fax, std::string *problem)
{
    FaxComposer composer(tables);
    PlainFaxSurface surface;
    composer.open(FaxEditMode::New, surface);
    FaxFields fields;
    fields.recipient = fax.recipient;
    fields.faxNumber = fax.phone;
    fields.subject = fax.subject;
    surface.setFields(fields);
    if (!FaxComposer::attachDocument(surface, fax.documentFile))
        return 0;
    const long recno = composer.store(FaxEditMode::New, surface);
    if (recno == 0)
        return 0;
    records::TTable &t = tables.FaxTable;
    try {
        if (!t.GoTo(recno))
            throw std::runtime_error("the new record cannot be found");
        t.Edit();
        t.SetString("LASTRESULT", kPrintedNotSent);
        t.Post();
    } catch (const std::exception &e) {
        if (problem)
            *problem = e.what();
    }
    return recno;
}

}  // namespace qln::compose
