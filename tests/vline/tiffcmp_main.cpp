// vline_tiffcmp A.tif B.tif [PAGE_A PAGE_B]: exit 0 when the printed content
// of the two fax pages is identical pixel for pixel (blank top and bottom
// margins ignored), 1 with the first difference otherwise.
#include "tiff_pages.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    using namespace qln::vline::test;
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: vline_tiffcmp A.tif B.tif [PAGE_A PAGE_B]\n");
        return 2;
    }
    int pa = argc == 5 ? std::atoi(argv[3]) : 0;
    int pb = argc == 5 ? std::atoi(argv[4]) : 0;
    Bitmap a, b;
    std::string why;
    if (!readTiffPage(argv[1], pa, a, why) || !readTiffPage(argv[2], pb, b, why)) {
        std::fprintf(stderr, "vline_tiffcmp: %s\n", why.c_str());
        return 1;
    }
    std::string diff = compareContent(a, b);
    if (!diff.empty()) {
        std::fprintf(stderr, "vline_tiffcmp: %s\n", diff.c_str());
        return 1;
    }
    std::printf("pages match (%zu rows)\n", a.rows.size());
    return 0;
}
