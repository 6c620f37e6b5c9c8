// Small text helpers used across the program. Pure functions; thread-safe.
#pragma once

#include <string>

namespace qln {

// Remove leading, trailing, or both leading and trailing blanks (' ' only).
std::string trimLeft(const std::string &s);
std::string trimRight(const std::string &s);
std::string trim(const std::string &s);

// "AutoDetect", "Class 1", "Class 2", "Class 2.0" for 0..3, else "unknown".
std::string faxClassName(int faxClass);

// Transfer rate of a list index: 0 2400, 1 4800, 2 7200, 3 9600, 4 12000,
// 5 14400; any other index gives 9600.
int rateFromIndex(int index);
// The inverse; any other rate gives 3.
int indexFromRate(int rate);

// Whether rich text counts as empty: empty when the control reports that it
// holds no text; otherwise not empty when the text is 256 characters or
// longer; otherwise empty exactly when each of its first 201 lines is blank
// after trimming. |plainText| is the control's text with '\n' (or "\r\n")
// between lines; characters are counted as Unicode code points.
bool richTextIsEmpty(bool reportsNoText, const std::string &plainText);

}  // namespace qln
