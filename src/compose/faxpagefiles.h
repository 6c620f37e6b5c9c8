// The files of a rendered fax in the data directory: the base file
// "QLN_<n>.APF" (the first page, and after joining the whole fax), the page
// files "QLNAX<i>.APF" of pages 2, 3, ..., appending one APF file to
// another and joining a page list into its first file.
//
// APF layout relied on by the append (little-endian): a 64-byte file header
// with the page count (u16) at offset 32 and the offset of the first page
// (u32) at offset 34; pages follow without gaps, each a 16-byte page header
// whose first u32 is the length of the image data after it.
//
// Failures raise the library's exceptions: EInOutError with the run-time
// error number (2 file not found, 100 a file that ends inside a header,
// ...), EAPDException 8001 for a file without the APF signature. Plain
// functions; any thread, one caller per file.
#pragma once

#include <string>
#include <vector>

namespace qln::compose {

// Highest n tried for "QLN_<n>.APF" before "QLN1.APF" is used.
inline constexpr int kMaxBaseFileNumber = 1000;

// Full path of the base file: "QLN_<n>.APF" in dataDir for the smallest n
// from 1 to 1000 whose file does not exist (names compared without regard
// to case), else "QLN1.APF". dataDir ends with '/'.
std::string BaseFaxFileName(const std::string &dataDir);
// Full path of the file of page i (i >= 2): "QLNAX<i>.APF" in dataDir.
std::string PageFileName(const std::string &dataDir, int page);

// Appends every page of source after the last page of dest and sets dest's
// page count to the sum of both; nothing else in dest's header changes.
// Copies in blocks of 4096 bytes. Raises EInOutError 2 when either file
// does not exist. The header is written last, so a failure part-way leaves
// dest with its old page count.
void AppendApfFile(const std::string &dest, const std::string &source);

// Appends every file after the first to the first, in list order, then
// deletes them; returns the first file's name. With one file nothing
// happens; an empty list gives "". A failure leaves every file in place.
std::string JoinFaxPages(const std::vector<std::string> &pages);

}  // namespace qln::compose
