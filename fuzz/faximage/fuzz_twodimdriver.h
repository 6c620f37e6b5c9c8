// Shared driver of the MR and MMR decoder fuzz targets: any bytes as a code
// stream of one coding, fed in pieces, at a width, both chosen by the first
// byte. Checks, for every input:
//  - lines handed on are (width + 7) / 8 bytes, and their number stays
//    within a budget in proportion to the input (every line takes input:
//    at least one bit in MMR, an EOL in MR), kBaseLines + 8 per byte;
//  - feeding stops where the page ends, and an ended decoder takes nothing;
//  - the lines it gives (the first kCheckedLines of them, which keeps a
//    run quick) survive a round trip: coded again in the same coding and
//    decoded, they come back the same and undamaged; transcoded to MH, the
//    MH decoder gives the same lines.
// A failed check aborts, which libFuzzer reports with the input.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "faximage/g3decoder.h"
#include "faximage/pagetranscode.h"
#include "faximage/twodimdecoder.h"
#include "faximage/twodimencoder.h"

namespace qln::fax::fuzz {

constexpr std::size_t kBaseLines = 8;
constexpr std::size_t kCheckedLines = 200;

inline void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

inline int runTwoDimDecoder(FaxCoding coding, const uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const int kWidths[4] = {1728, 2048, 1001, 4864};
    const std::size_t piece = 1 + (data[0] & 63);
    const int width = kWidths[data[0] >> 6];
    const std::size_t bytes = std::size_t(width + 7) / 8;
    ++data;
    --size;

    std::vector<std::vector<uint8_t>> lines;
    TwoDimDecoder dec(coding, width, [&](const uint8_t *l, int n, bool) {
        check(std::size_t(n) == bytes, "line length");
        lines.emplace_back(l, l + n);
        check(lines.size() <= kBaseLines + 8 * size, "line budget");
    });
    std::size_t at = 0;
    while (at < size && !dec.ended()) {
        const std::size_t n = size - at < piece ? size - at : piece;
        check(dec.feed(data + at, n) <= n, "bytes taken");
        at += n;
    }
    dec.finish();
    if (dec.ended())
        check(dec.feed(data, size) == 0, "nothing taken after the end");
    if (lines.size() > kCheckedLines)
        lines.resize(kCheckedLines);

    // Round trip through our encoder and decoder in the same coding.
    std::vector<uint8_t> again;
    TwoDimEncoder enc(coding, width, [&](const uint8_t *d, std::size_t n) { again.insert(again.end(), d, d + n); });
    for (const auto &l : lines)
        enc.encodeLine(l.data());
    enc.endPage();
    std::size_t i = 0;
    TwoDimDecoder back(coding, width, [&](const uint8_t *l, int n, bool damaged) {
        check(!damaged, "round trip damaged");
        check(i < lines.size() && std::equal(l, l + n, lines[i].begin()), "round trip lines");
        ++i;
    });
    back.feed(again.data(), again.size());
    back.finish();
    check(back.ended() && i == lines.size(), "round trip count");

    // Transcoded to MH (widths an APF page can have only).
    if (width == 1728 || width == 2048) {
        std::vector<uint8_t> mh;
        TwoDimToMh t(coding, width, [&](const uint8_t *d, std::size_t n) { mh.insert(mh.end(), d, d + n); });
        t.feed(again.data(), again.size());
        t.endPage();
        std::size_t k = 0;
        G3Decoder g3([&](const uint8_t *l, int n) {
            check(k < lines.size() && std::size_t(n) == bytes && std::equal(l, l + n, lines[k].begin()),
                  "MH lines");
            ++k;
        });
        g3.feed(mh.data(), mh.size());
        check(g3.pageEnded() && k == lines.size(), "MH line count");
    }
    return 0;
}

} // namespace qln::fax::fuzz
