// Fuzzes the converter's BMP reader and the line coder behind it.
#include "faximage/bmpreader.h"
#include "fuzz_readerdriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return qln::fax::fuzz::driveReader<qln::fax::BmpReader>("bmp", data, size);
}
