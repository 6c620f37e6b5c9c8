// Fuzzes the converter's TIFF reader and the line coder behind it.
#include "faximage/tiffreader.h"
#include "fuzz_readerdriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return qln::fax::fuzz::driveReader<qln::fax::TiffReader>("tiff", data, size);
}
