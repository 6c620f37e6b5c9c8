#include "fax/faxcodes.h"

#include <cstdlib>

#include "common/stringtable.h"

namespace qln::fax {

std::string faxStatusText(int code)
{
    // Status texts are the 48xx entries of the program's string table; other
    // codes have none.
    if (code >= 4801 && code <= 4843 && qln::hasLibraryText(code))
        return qln::libraryText(code);
    return std::string();
}

std::string faxErrorText(int code)
{
    // The string table's text, or the system's message for codes it lacks.
    return qln::libraryText(std::abs(code));
}

} // namespace qln::fax
