#include "sessions/errorwindowrules.h"

#include <algorithm>

namespace qln {

namespace {
bool g_errorWindowShowing = false;
}

std::vector<std::string> ErrorWindowRules::textLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

int ErrorWindowRules::memoRows(const std::function<int(const std::string &)> &rowsOf) const
{
    int rows = 0;
    for (const std::string &line : textLines(request_.text))
        rows += rowsOf ? std::max(1, rowsOf(line)) : 1;
    return rows + kExtraMemoLines;
}

ErrorWindowSlot::ErrorWindowSlot()
{
    if (!g_errorWindowShowing) {
        g_errorWindowShowing = true;
        held_ = true;
    }
}

ErrorWindowSlot::~ErrorWindowSlot()
{
    if (held_)
        g_errorWindowShowing = false;
}

bool ErrorWindowSlot::busy() { return g_errorWindowShowing; }

}  // namespace qln
