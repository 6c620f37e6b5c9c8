// Decoding an APF page for the send e2e test, apart from the fax engine's
// headers (their error code names collide with the image library's).
#include "faximage/unpacker.h"
#include "tiff_pages.h"

bool decodeApfPage(const std::string &file, int page, qln::vline::test::Bitmap &out)
{
    qln::fax::TApdFaxUnpacker u;
    u.AutoScaleMode = qln::fax::asNone;
    u.setInFileName(file);
    qln::fax::MonoBitmap bm;
    try {
        bm = u.ExtractPageBitmap(page);
    } catch (const std::exception &) {
        return false;
    }
    if (bm.isNull())
        return false;
    out.width = bm.width;
    out.rows.clear();
    for (int y = 0; y < bm.height; ++y) {
        std::vector<uint8_t> row(bm.row(y), bm.row(y) + (bm.width + 7) / 8);
        for (uint8_t &b : row)
            b = uint8_t(~b); // the unpacker's bitmaps have 1 = white
        out.rows.push_back(std::move(row));
    }
    return true;
}
