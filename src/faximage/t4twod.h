// Pieces shared by the two-dimensional codecs: the codings a page can travel
// in, the mode codes of T.4 two-dimensional coding (also those of T.6), and
// the change lists both sides of a 2-D codec work on.
//
// A change list holds, in increasing order, the positions where a raster
// line changes colour, starting from white: the entry at an even index is
// the first pixel of a black run, at an odd index the first pixel of a white
// run. A line that begins black has 0 as its first entry. The list is
// followed by copies of the line width (kChangeSentinels), the "imaginary
// changing element" past the end of the line, so that a coder may look a few
// entries past the last change without a bounds check; and it is preceded
// by one entry holding 0 (kChangeLead), so that a coder stepping back from
// the first change finds a position no later than any a0.
//
// Both coders find b1 (the first change of the reference line after a0 to
// the colour opposite a0's) by stepping over the reference list two entries
// at a time, from an index whose parity already matches the colour wanted:
// after a pass or horizontal mode the colour stays and the index does too;
// after a vertical mode it flips, and the index moves one entry, back for a
// mode left of b1 (a1 lies before b1, so the change before b1 may lie after
// a1), else forward.
//
// Raster lines are 1 bit per pixel, 1 = black, most significant bit first.
//
// All functions are thread-safe; the tables are built on first use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace qln::fax {

enum class FaxCoding : uint8_t {
    MH,  // T.4 one-dimensional (modified Huffman)
    MR,  // T.4 two-dimensional (modified READ), with EOLs and a K factor
    MMR, // T.6 (modified modified READ): no EOLs, ends with EOFB
};

// "MH", "MR" or "MMR".
const char *faxCodingName(FaxCoding c);

// Widest line the 2-D codecs take (A3 at 400 pixels per inch is 4864).
inline constexpr int kMaxTwoDimWidth = 4864;
inline constexpr int kChangeLead = 1;
inline constexpr int kChangeSentinels = 4;
// Room a change list needs for a line of `width` pixels, the lead entry
// included (the list itself starts kChangeLead entries in).
inline constexpr std::size_t changeListSize(int width)
{
    return std::size_t(kChangeLead) + std::size_t(width) + 1 + kChangeSentinels;
}

// Where coded bytes go: called with each piece in stream order.
using ByteSink = std::function<void(const uint8_t *data, std::size_t len)>;

// The K factor T.4 asks for: 2 at normal resolution, 4 at fine.
inline constexpr int kFactorFor(bool fine)
{
    return fine ? 4 : 2;
}

// Two-dimensional modes, in the order of their codes' look-up entries.
enum class TwoDimMode : uint8_t {
    Pass,
    Horizontal,
    V0,
    VR1,
    VR2,
    VR3,
    VL1,
    VL2,
    VL3,
    Extension, // 0000001xxx: uncompressed mode and other extensions
    Zeros,     // seven 0 bits: fill or an EOL (or EOFB) begins
};

// A code reversed for packing least significant bit first.
struct TwoDimCode {
    uint32_t bits;
    uint32_t len;
};

// Codes of the modes Pass .. VL3 (index as TwoDimMode), reversed.
const TwoDimCode *twoDimCodes();
// The vertical mode code for a1 - b1 = delta (-3..3), reversed.
const TwoDimCode &verticalCode(int delta);

// Decoder look-up: 128 entries indexed by the next 7 bits of the stream
// (first bit lowest); each entry is the mode in its low 4 bits and the
// code's length in bits above them.
inline constexpr unsigned kModeLookupBits = 7;
const uint8_t *twoDimModeLookup();

// Change list of a raster line of `width` pixels (1..kMaxTwoDimWidth);
// `changes` (the list after the lead entry) has room for
// changeListSize(width) - kChangeLead entries. Pixels past `width`
// in the last byte are not looked at. Returns the number of changes; the
// sentinels follow them.
int rasterToChanges(const uint8_t *line, int width, uint16_t *changes);

// The raster line of a change list (n changes, all below `width`). Writes
// (width + 63) / 64 * 8 bytes; pixels from `width` on are white. `flips` is
// scratch of (width + 63) / 64 + 1 words.
void changesToRaster(const uint16_t *changes, int n, int width, uint8_t *line, uint64_t *flips);

// Bytes that changesToRaster writes for `width`.
inline constexpr std::size_t rasterScratchBytes(int width)
{
    return std::size_t((width + 63) / 64) * 8;
}

} // namespace qln::fax
