// Fuzz target: any bytes as a T.4 code stream, fed to the decoder in pieces
// whose sizes come from the first byte. Every line handed on must be 216 or
// 256 bytes, and feeding must stop at the page end.
#include <cstdint>
#include <cstdlib>

#include "faximage/g3decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    using namespace qln::fax;
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 64;
    ++data;
    --size;
    G3Decoder dec([](const uint8_t *, int n) {
        if (n != 216 && n != 256)
            std::abort();
    });
    std::size_t at = 0;
    while (at < size && !dec.pageEnded()) {
        std::size_t n = size - at < piece ? size - at : piece;
        std::size_t taken = dec.feed(data + at, n);
        if (taken > n)
            std::abort();
        at += n;
    }
    if (dec.pageEnded() && dec.feed(data, size) != 0)
        std::abort();
    return 0;
}
