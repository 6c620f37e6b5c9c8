// Error codes of the fax converter beyond the shared image codes of
// apferrors.h, and the exception the converter component raises for a
// negative result.
//
// The core operations return codes (0 or negative) and never throw; only
// TApdFaxConverter turns a failure into EFaxConverterError, which carries the
// code and its text. Thread-safe: plain values.
#pragma once

#include <stdexcept>
#include <string>

#include "faximage/apferrors.h"

namespace qln::fax {

enum ConverterError : int {
    ecFontFileNotFound = -8052, // built-in font resource missing or bad
    ecEnhFontTooBig = -8055,    // enhanced-text off-screen bitmap over 64 KB
};

// The text of any code the converter returns (sign ignored).
std::string converterErrorText(int code);

// Raised by TApdFaxConverter for a negative result; code() is negative.
class EFaxConverterError : public std::runtime_error {
public:
    explicit EFaxConverterError(int code);
    int code() const { return code_; }

private:
    int code_;
};

} // namespace qln::fax
