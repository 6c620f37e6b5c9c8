// PCX and DCX output of unpacked fax pages.
//
// Rows come in fax polarity (1 = black); the file holds 1 = white, so every
// byte is inverted as it is encoded. Run-length coding: runs of 2 to 63 equal
// bytes become (0xC0 + count, byte); a single byte is written as itself,
// preceded by 0xC1 when it is 0xC0 or above. One plane, one bit per pixel, no
// palette. A DCX file is a 4100-byte header (u32 987654321 and 1024 page
// offsets) followed by the PCX images.
//
// Files are written under a temporary name and renamed into place, so a
// failed write leaves nothing behind. Plain functions; thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "faximage/outputfile.h"

namespace qln::fax {

inline constexpr uint32_t kDcxMagic = 987654321; // 0x3ADE68B1
inline constexpr std::size_t kDcxHeaderSize = 4100;
inline constexpr std::size_t kPcxHeaderSize = 128;

// Appends the run-length coding of one row (inverting each byte) to out.
void encodePcxRow(const uint8_t *row, int bytes, std::vector<uint8_t> &out);
// A whole PCX image: 128-byte header and the coded rows.
std::vector<uint8_t> makePcxImage(const uint8_t *rows, int widthPixels, int rowBytes, int lines);
// A single-page DCX file holding `pcx`.
std::vector<uint8_t> makeDcxFile(const std::vector<uint8_t> &pcx);

// The output file name: `outName` when it has an extension, `outName` plus
// "." + ext when it has none, `inName` with its extension replaced by ext when
// `outName` is empty.
std::string unpackOutputName(const std::string &inName, const std::string &outName, const std::string &ext);

} // namespace qln::fax
