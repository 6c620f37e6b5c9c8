// Fuzz target: the expression parser and evaluator. The input is compiled
// against a fixed field list and, when valid, evaluated on a few records.
#include "records/expression.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace qln::records;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static std::vector<FieldDesc> fields = [] {
        std::vector<FieldDesc> f{{"NAME", 'C', 10, 0, 0}, {"WHEN", 'D', 8, 0, 0}, {"DONE", 'L', 1, 0, 0},
                                 {"QTY", 'N', 6, 2, 0}, {"FROM", 'C', 5, 0, 0}};
        DbfFile::validateFields(f);
        return f;
    }();
    static const std::string records[] = {
        " Smith     20250228T 12.50ab   ", "*          ????????? -0.01     ", " zzzzzzzzzz00000000F******\xff\xfe\x01  ",
    };
    std::string text(reinterpret_cast<const char *>(data), size);
    Expression e;
    if (!Expression::compile(text, fields, e).isOk())
        return 0;
    for (const auto &r : records) {
        (void)e.eval(r.data());
        (void)e.test(r.data());
        (void)e.key(r.data());
    }
    return 0;
}
