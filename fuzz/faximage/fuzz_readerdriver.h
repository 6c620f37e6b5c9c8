// Shared driver of the converter image-reader fuzz targets: writes the input
// to a scratch file, opens it with the reader under options taken from the
// first byte, and reads and codes lines until the reader ends or fails.
// Memory and time must stay bounded for any input, and so must the output:
// the lines and page ends a file gives (over all its pages) may not exceed a
// budget in proportion to its size, kBaseLines + kLinesPerByte per byte.
// Going past it aborts the run, which libFuzzer reports as a fault with the
// input. The rate covers the densest data a reader takes: a PCX run of 63
// bytes (two bytes of input) is 63 rows of a one-byte-wide image.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "faximage/convertercore.h"
#include "faximage/converterlinecoder.h"

namespace qln::fax::fuzz {

// The scratch file's name, fixed per process; removed at exit.
inline char g_scratch[256];

inline void removeScratch()
{
    std::remove(g_scratch);
}

inline const char *scratchPath(const char *name)
{
    if (!g_scratch[0]) {
        const char *tmp = std::getenv("TMPDIR");
        std::snprintf(g_scratch, sizeof g_scratch, "%s/qln_fuzz_%s_%d", tmp && *tmp ? tmp : "/tmp", name,
                      int(::getpid()));
        std::atexit(removeScratch);
    }
    return g_scratch;
}

constexpr std::size_t kBaseLines = 512;
constexpr std::size_t kLinesPerByte = 32;

inline std::size_t lineBudget(std::size_t inputBytes)
{
    return kBaseLines + kLinesPerByte * inputBytes;
}

inline void overBudget(const char *name, std::size_t lines, std::size_t inputBytes)
{
    std::fprintf(stderr, "%s: %zu lines from %zu bytes of input, beyond the budget of %zu\n", name, lines,
                 inputBytes, lineBudget(inputBytes));
    std::abort();
}

template <class Reader>
int driveReader(const char *name, const uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::string path = scratchPath(name);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    ConverterCore core(std::make_unique<Reader>());
    core.flags = data[0] & 0x1F;
    core.fine = data[0] & 0x20;
    core.pageWidth = (data[0] & 0x40) ? 2048 : 1728;
    core.leftMargin = (data[0] & 0x80) ? 0 : 50;
    if (core.reader()->open(core, path) < 0)
        return 0;
    RasterLineCoder coder;
    std::vector<uint8_t> raster(kRasterBufferSize);
    const std::size_t budget = lineBudget(size);
    std::size_t lines = 0;
    for (;;) {
        std::fill(raster.begin(), raster.end(), 0);
        bool eop = false, more = false;
        if (core.reader()->readLine(core, raster.data(), eop, more) < 0)
            break;
        if (eop && !more)
            break;
        // A page end counts as a line: pages without lines are output too.
        if (++lines > budget)
            overBudget(name, lines, size);
        if (!eop) {
            coder.setGeometry(core.pageWidth, core.leftMargin, core.doubleWidth);
            coder.code(raster.data());
        }
    }
    core.reader()->close();
    return 0;
}

} // namespace qln::fax::fuzz
