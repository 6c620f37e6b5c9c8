// Feeds arbitrary bytes as a "STR0" string table: parsing must refuse what
// is damaged and never read outside the block.
#include <cstdint>

#include "common/stringtable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    auto table = qln::StringTable::parse(data, size);
    if (!table)
        return 0;
    for (std::uint32_t code : table->codes()) {
        (void)table->find(code);
        (void)table->find(-static_cast<long>(code));
    }
    (void)table->find(0);
    (void)table->find(4801);
    return 0;
}
