// CRC-32 (IEEE 802.3 polynomial, as used by zip and PNG), for detecting
// damage in index files. Pure function, thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qln::records {

// Continues a CRC over `len` bytes; start with crc = 0.
uint32_t crc32(uint32_t crc, const void *data, size_t len);

} // namespace qln::records
