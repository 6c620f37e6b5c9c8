#include "faximage/convertererror.h"

namespace qln::fax {

std::string converterErrorText(int code)
{
    int c = code < 0 ? -code : code;
    switch (c) {
    case 8052: return "VOVAD.FNT not found, or resource bad";
    case 8055: return "Font selected for enhanced text converter too large";
    default: return apfErrorText(code);
    }
}

EFaxConverterError::EFaxConverterError(int code)
    : std::runtime_error(converterErrorText(code)), code_(code < 0 ? code : -code)
{
}

} // namespace qln::fax
