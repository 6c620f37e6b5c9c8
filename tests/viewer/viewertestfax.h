// Sample faxes for the viewer tests: pages whose content tells them apart.
#pragma once

#include "apftestutil.h"
#include "faximage/apf.h"

#include <string>
#include <vector>

namespace qln::viewer::test {

using fax::test::Line;

// A 1728-pixel page of `lines` lines: a black block of 8 x 4 pixels placed
// by the page number (page n at x = 8 n, y = 10 n), and one
// black pixel at (13, 5) that is not on a byte boundary.
inline std::vector<Line> markedPage(int page, int lines)
{
    std::vector<Line> out(std::size_t(lines), Line(216, 0));
    for (int y = 10 * page; y < 10 * page + 4 && y < lines; ++y)
        out[std::size_t(y)][std::size_t(page)] = 0xFF;
    if (lines > 5)
        out[5][1] = 0x04;  // pixel 13
    return out;
}

inline void writeSampleFax(const std::string &path, int pages, int lines, bool fine)
{
    std::vector<std::vector<Line>> all;
    for (int p = 1; p <= pages; ++p)
        all.push_back(markedPage(p, lines));
    fax::test::writeApf(path, all, fine ? fax::pfFine : 0);
}

}  // namespace qln::viewer::test
