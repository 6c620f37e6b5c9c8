// qlnfax info: prints the facts of an APF file: station identifier, date,
// page count, and per page its resolution, width, framing, image length and
// the number of lines it decodes to. The file is walked once: each page is
// found from the one before it. The station identifier is printed with
// control bytes escaped.
#include "commands.h"

#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/unpackercore.h"

namespace {

using namespace qln::fax;

int fail(const std::string &file, int code)
{
    std::fprintf(stderr, "qlnfax info: %s: %s (%d)\n", file.c_str(), apfErrorText(code).c_str(), code);
    return 1;
}

int runInfo(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    if (args.size() != 1)
        throw std::runtime_error("expected one APF file");
    const std::string file = args.front();

    ApfReader reader;
    if (int rc = reader.open(file))
        return fail(file, rc);
    const ApfFileHeader &h = reader.fileHeader();
    std::printf("File: %s\n", file.c_str());
    std::printf("Station: \"%s\"\n", escapedText(h.stationText()).c_str());
    if (h.dateTime) {
        std::tm t = unpackDosDateTime(h.dateTime);
        std::printf("Completed: %04d-%02d-%02d %02d:%02d:%02d\n", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                    t.tm_hour, t.tm_min, t.tm_sec);
    } else {
        std::printf("Completed: unknown\n");
    }
    std::printf("Pages: %d\n", h.pageCount);

    int status = 0;
    uint32_t lines = 0;
    UnpackerCore core([&lines](UnpackLineKind kind, const uint8_t *, int, int) {
        lines += kind == UnpackLineKind::Line;
        return 0;
    });
    core.setFlags(0);
    for (int page = 1; page <= h.pageCount; ++page) {
        ApfPageHeader ph;
        if (int rc = reader.seekPage(page, &ph)) {
            std::printf("Page %d: %s (%d)\n", page, apfErrorText(rc).c_str(), rc);
            return 1;
        }
        lines = 0;
        int rc = core.unpackPage(reader, file, page);
        std::printf("Page %d: %s, %d pixels, %s, image length %u bytes, ", page,
                    ph.fine() ? "fine" : "normal", ph.width(), ph.framed() ? "framed" : "unframed",
                    ph.imageLength);
        if (rc == 0)
            std::printf("%u lines, %u bad codes\n", lines, core.badCodes());
        else {
            std::printf("decoding failed after %u lines: %s (%d)\n", lines, apfErrorText(rc).c_str(), rc);
            status = 1;
        }
    }
    return status;
}

const QlnCommand reg{"info", "info FILE.APF", "show an APF file's pages: resolution, width, framing, lines",
                     runInfo};

} // namespace
