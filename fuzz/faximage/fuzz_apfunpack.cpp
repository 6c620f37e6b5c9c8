// Fuzz target: any bytes as an APF file, unpacked page by page into bitmaps
// (with aspect correction, blank-line compression and scaling chosen by the
// last byte) and into the lines of a TIFF export. Must never crash, hang or
// allocate by the sizes the file claims.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "faximage/apf.h"
#include "faximage/unpackercore.h"
#include "faximage/unpackertiff.h"

namespace {

std::string g_path;

void removeScratch()
{
    std::remove(g_path.c_str());
}

const std::string &scratch()
{
    if (g_path.empty()) {
        const char *tmp = std::getenv("TMPDIR");
        g_path = std::string(tmp && *tmp ? tmp : "/tmp") + "/qln_fuzz_apf_" + std::to_string(::getpid());
        std::atexit(removeScratch);
    }
    return g_path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    using namespace qln::fax;
    FILE *f = std::fopen(scratch().c_str(), "wb");
    if (!f)
        return 0;
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    const uint8_t opts = size ? data[size - 1] : 0;
    UnpackerCore core;
    core.setFlags((opts & 1) ? ufDoubleHeight : ((opts & 2) ? ufHalfWidth : 0));
    if (opts & 4)
        core.setWhitespace(4 + (opts >> 5), 1 + ((opts >> 3) & 3));
    if (opts & 0x80)
        core.setScaling(1, 1 + (opts & 3), 1, 1 + ((opts >> 2) & 3));
    ApfFileHeader h;
    if (core.readFileHeader(scratch(), h) != 0)
        return 0;
    const int pages = h.pageCount < 3 ? h.pageCount : 3;
    for (int p = 1; p <= pages; ++p) {
        MonoBitmap bm;
        core.unpackPageToBitmap(scratch(), p, bm, (opts & 8) != 0);
        FaxPageLines lines;
        if (readFaxPageLines(scratch(), p, lines) == 0)
            (void)makeTiffClassF(lines);
    }
    return 0;
}
