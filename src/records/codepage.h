// Character fields hold Windows-1252 text, as the code page mark in the DBF
// header declares, so that other xBase readers decode them correctly. The
// rest of the program passes UTF-8; the engine converts at its edge: text
// written into a C field is converted (characters outside the code page
// become "?") and then cut to the field width, which cuts by characters
// because the code page has one byte per character; text read from a C
// field is converted back. Expressions compare and upper-case the stored
// bytes, so their string literals are converted the same way.
//
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace qln::records {

// UTF-8 to Windows-1252. A character the code page lacks, and each byte of
// an invalid UTF-8 sequence, becomes '?'.
std::string toWindows1252(std::string_view utf8);
// Windows-1252 to UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value.
std::string fromWindows1252(std::string_view ansi);

// Upper and lower case of one Windows-1252 character, accented letters
// included (é <-> É, š <-> Š, ÿ <-> Ÿ); other bytes are returned unchanged.
char upperWindows1252(char c);
char lowerWindows1252(char c);

} // namespace qln::records
