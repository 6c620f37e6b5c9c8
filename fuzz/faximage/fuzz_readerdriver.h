// Shared driver of the converter image-reader fuzz targets: writes the input
// to a scratch file, opens it with the reader under options taken from the
// first byte, and reads and codes lines until the reader ends, fails, or a
// line limit is reached. Memory and time must stay bounded for any input.
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
    for (int lines = 0; lines < 3000; ++lines) {
        std::fill(raster.begin(), raster.end(), 0);
        bool eop = false, more = false;
        if (core.reader()->readLine(core, raster.data(), eop, more) < 0)
            break;
        if (eop && !more)
            break;
        if (!eop) {
            coder.setGeometry(core.pageWidth, core.leftMargin, core.doubleWidth);
            coder.code(raster.data());
        }
    }
    core.reader()->close();
    return 0;
}

} // namespace qln::fax::fuzz
