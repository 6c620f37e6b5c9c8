// Rendering of the header line and of text cover pages into coded scan
// lines with the built-in fax fonts (small font for the header line,
// standard font for cover text), for the page preamble of a sending session.
//
// Threading: each call loads its own font; safe from any thread.
#pragma once

#include "fax/t30frames.h"

#include <string>
#include <vector>

namespace qln::fax {

// One line of text as coded T.4 scan lines (each starting with an EOL),
// 1728 pixels wide, in normal or fine resolution. Returns 0 or a negative
// code (-8052 when the font cannot be loaded).
int renderFaxTextLine(const std::string &text, bool fine, bool large,
                      std::vector<t30::Bytes> &codedLines);

} // namespace qln::fax
