// Built-in resources generated from strings.txt at build time (internal to
// the string table; other code uses builtinResource()).
#pragma once

#include <cstddef>

namespace qln::detail {

struct BuiltinResource {
    const char *name;
    const unsigned char *data;
    std::size_t size;
};

extern const BuiltinResource kBuiltinResources[];
extern const std::size_t kBuiltinResourceCount;

}  // namespace qln::detail
