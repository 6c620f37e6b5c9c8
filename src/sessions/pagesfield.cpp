#include "sessions/pagesfield.h"

#include <algorithm>

namespace qln {

int pagesFieldValue(int pages) { return std::clamp(pages, 0, kPagesFieldMax); }

std::string pagesNote(int pages)
{
    if (pages <= kPagesFieldMax)
        return {};
    return std::to_string(pages) + " pages";
}

std::string withPagesNote(const std::string &text, int pages, std::size_t width)
{
    const std::string note = pagesNote(pages);
    if (note.empty())
        return text.substr(0, width);
    if (text.empty())
        return note.substr(0, width);
    const std::string tail = " (" + note + ")";
    if (tail.size() >= width)
        return note.substr(0, width);
    return text.substr(0, width - tail.size()) + tail;
}

}  // namespace qln
