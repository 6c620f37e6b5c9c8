// What the character fields of the fax tables can hold: the tables store
// text in Windows-1252, and the engine writes a character outside that code
// page as "?". The editors check a text before storing it, so that the
// user hears of it instead of finding "?" in the lists later. Pure
// functions; any thread.
#pragma once

#include <string>
#include <vector>

namespace qln::compose {

// The characters of the UTF-8 text `utf8` that Windows-1252 lacks, each
// once, in the order they first appear (a malformed byte sequence counts as
// U+FFFD); empty when the text can be stored as it is.
std::vector<std::string> unstorableCharacters(const std::string &utf8);

// One field's text to check, with the name the user knows it by.
struct NamedText {
    const char *name;  // "Recipient", "Subject", ...
    std::string text;
};

// The warning for the fields holding such characters ("" when none do):
// names the fields and the characters, says they will be stored as "?",
// and asks whether to store anyway. `what` is "the fax" or "the template".
std::string unstorableQuestion(const std::vector<NamedText> &fields, const std::string &what);

}  // namespace qln::compose
