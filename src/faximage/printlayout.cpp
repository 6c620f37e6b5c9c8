#include "faximage/printlayout.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace qln::fax {

namespace {
constexpr int kCellInset = 2;
} // namespace

int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const int64_t p = int64_t(a) * int64_t(b);
    const bool negative = (p < 0) != (c < 0);
    const int64_t ap = p < 0 ? -p : p;
    const int64_t ac = c < 0 ? -int64_t(c) : int64_t(c);
    const int64_t q = (ap + ac / 2) / ac;
    return int(negative ? -q : q);
}

bool startsNewSheet(int page, int first, bool multiPage, bool landscape)
{
    if (page == first)
        return false;
    if (!multiPage)
        return true;
    return (page - first) % (landscape ? 2 : 4) == 0;
}

PrintRect pageCell(const PrintRect &sheet, int page, int first, bool multiPage, bool landscape)
{
    if (!multiPage)
        return sheet;
    const int halfWidth = sheet.width() / 2;
    const int q = (page - first) % 4;
    PrintRect r = sheet;
    r.right = r.left + halfWidth;
    if (landscape) {
        if (q % 2 == 1)
            r.left += halfWidth, r.right += halfWidth;
    } else {
        const int halfHeight = sheet.height() / 2;
        r.bottom = r.top + halfHeight;
        if (q == 1 || q == 3)
            r.left += halfWidth, r.right += halfWidth;
        if (q >= 2)
            r.top += halfHeight, r.bottom += halfHeight;
    }
    r.left += kCellInset;
    r.top += kCellInset;
    r.right -= kCellInset;
    r.bottom -= kCellInset;
    return r;
}

PrintSize printedSize(const PrintRect &cell, int bitmapWidth, int bitmapHeight, bool fitToPage,
                      int printerDpi)
{
    PrintSize s;
    const int cellWidth = std::max(0, cell.width());
    const int cellHeight = std::max(0, cell.height());
    if (bitmapWidth <= 0 || bitmapHeight <= 0 || cellWidth == 0 || cellHeight == 0)
        return s;
    // The page's real size in printer pixels.
    const int64_t naturalWidth = std::max(1, mulDiv(bitmapWidth, printerDpi, kFaxPrintDpiX));
    const int64_t naturalHeight = std::max(1, mulDiv(bitmapHeight, printerDpi, kFaxPrintDpiY));
    const bool fits = naturalWidth <= cellWidth && naturalHeight <= cellHeight;
    if (!fitToPage && fits) {
        s.width = int(naturalWidth);
        s.height = int(naturalHeight);
        return s;
    }
    // Scaled to meet the cell on the side that limits it first.
    if (int64_t(cellWidth) * naturalHeight <= int64_t(cellHeight) * naturalWidth) {
        s.width = cellWidth;
        s.height = int((int64_t(cellWidth) * naturalHeight + naturalWidth / 2) / naturalWidth);
    } else {
        s.height = cellHeight;
        s.width = int((int64_t(cellHeight) * naturalWidth + naturalHeight / 2) / naturalHeight);
    }
    s.width = std::clamp(s.width, 1, cellWidth);
    s.height = std::clamp(s.height, 1, cellHeight);
    return s;
}

PrintRect printedRect(const PrintRect &cell, const PrintSize &size)
{
    PrintRect r;
    r.left = cell.left + std::max(0, (cell.width() - size.width) / 2);
    r.top = cell.top;
    r.right = r.left + size.width;
    r.bottom = r.top + size.height;
    return r;
}

std::string expandMarginTemplate(const std::string &templ, const MarginValues &values)
{
    std::string out;
    std::size_t i = 0;
    while (i < templ.size()) {
        const std::size_t dollar = templ.find('$', i);
        if (dollar == std::string::npos) {
            out.append(templ, i, std::string::npos);
            break;
        }
        out.append(templ, i, dollar - i);
        std::size_t end = templ.find(' ', dollar);
        if (end == std::string::npos)
            end = templ.size();
        const char key = dollar + 1 < end ? char(std::toupper(static_cast<unsigned char>(templ[dollar + 1]))) : '\0';
        switch (key) {
        case 'D': out += values.date; break;
        case 'F': out += values.fileName; break;
        case 'N': out += std::to_string(values.pageCount); break;
        case 'P': out += std::to_string(values.page); break;
        case 'T': out += values.time; break;
        default: break;
        }
        i = end;
    }
    return out;
}

} // namespace qln::fax
