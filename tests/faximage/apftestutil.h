// Helpers shared by the fax image tests: temporary directories, raster
// lines, and APF files written from lists of raster lines.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace qln::fax::test {

using Line = std::vector<uint8_t>;

// A fresh directory under the system temporary directory, removed with its
// contents on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

// A line of `bytes` bytes with pixels [from, to) black.
Line blackSpan(int bytes, int from, int to);
// A random line: runs of random lengths (mean `meanRun`) of alternating
// colour, starting with either colour.
Line randomLine(std::mt19937 &rng, int bytes, int meanRun);

// Writes a framed page per entry of `pages` (each a list of raster lines,
// coded with G3LineEncoder::encodeRaster) into an APF file.
void writeApf(const std::string &path, const std::vector<std::vector<Line>> &pages, uint16_t flags);
// Writes one unframed page whose data is `stream` as it is.
void writeRawApf(const std::string &path, const std::vector<uint8_t> &stream, uint16_t flags,
                 uint32_t claimedLength = 0);
// The code stream of lines as a receiver would store it: each coded line
// (line start and runs, without tails) then the end-of-page bytes.
std::vector<uint8_t> unframedStream(const std::vector<Line> &lines, int width);

std::vector<uint8_t> readFile(const std::string &path);
bool fileExists(const std::string &path);

} // namespace qln::fax::test
