// The PAGES fields of the fax tables are two digits wide (other readers of
// the tables rely on that layout), so a fax of 100 pages or more is stored
// with 99 there and its true count written beside it in a text field of
// the row. These helpers make that one decision for both tables.
#pragma once

#include <string>

namespace qln {

inline constexpr int kPagesFieldMax = 99;

// The value that fits PAGES: the count itself, or 99 above it (0 below 0).
int pagesFieldValue(int pages);
// "" when the count fits PAGES, else the true count as "120 pages".
std::string pagesNote(int pages);
// `text` with the pages note added (" (120 pages)"), cut so that the
// whole fits `width` characters and the note is never the part cut off.
std::string withPagesNote(const std::string &text, int pages, std::size_t width);

}  // namespace qln
