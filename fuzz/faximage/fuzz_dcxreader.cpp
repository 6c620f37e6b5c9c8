// Fuzzes the converter's DCX reader and the line coder behind it.
#include "faximage/dcxreader.h"
#include "fuzz_readerdriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return qln::fax::fuzz::driveReader<qln::fax::DcxReader>("dcx", data, size);
}
