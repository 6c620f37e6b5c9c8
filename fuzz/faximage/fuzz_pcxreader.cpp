// Fuzzes the converter's PCX reader and the line coder behind it.
#include "faximage/pcxreader.h"
#include "fuzz_readerdriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return qln::fax::fuzz::driveReader<qln::fax::PcxReader>("pcx", data, size);
}
