// Fuzz target: any bytes as a T.6 (MMR) code stream; see fuzz_twodimdriver.h
// for what is checked.
#include "fuzz_twodimdriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    return qln::fax::fuzz::runTwoDimDecoder(qln::fax::FaxCoding::MMR, data, size);
}
