// Fuzz target: a table's DBF, FPT and CDX files built from one input, opened
// and read completely through the engine. Input layout: u16 DBF length, DBF
// bytes, u16 FPT length, FPT bytes, the rest is the CDX file.
#include "records/sx.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

using namespace qln::records;

namespace {

std::string workDir()
{
    static std::string dir = [] {
        char tmpl[] = "/tmp/qlnfuzzXXXXXX";
        return std::string(::mkdtemp(tmpl) ? tmpl : "/tmp");
    }();
    return dir;
}

void put(const std::string &path, const uint8_t *p, size_t n)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    if (n)
        std::fwrite(p, 1, n, f);
    std::fclose(f);
}

size_t take(const uint8_t *&p, size_t &left)
{
    if (left < 2)
        return 0;
    size_t n = size_t(p[0]) | size_t(p[1]) << 8;
    p += 2;
    left -= 2;
    return n < left ? n : left;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string dir = workDir();
    const uint8_t *p = data;
    size_t left = size;
    size_t dbfLen = take(p, left);
    put(dir + "/F.DBF", p, dbfLen);
    p += dbfLen;
    left -= dbfLen;
    size_t fptLen = take(p, left);
    put(dir + "/F.FPT", p, fptLen);
    p += fptLen;
    left -= fptLen;
    put(dir + "/F.CDX", p, left);

    sx_SetDeleted(size & 1);
    if (sx_Use(dir + "/F.DBF", "F", EXCLUSIVE, SDEFOX)) {
        sx_Query(".not. deleted()");
        (void)sx_QueryRecCount();
        for (int order = 0; order <= sx_TagCount() && order < 4; ++order) {
            sx_SetOrder(order);
            long n = 0;
            for (sx_GoTop(); !sx_Eof() && n < 200; sx_Skip(1), ++n) {
                for (int f = 1; f <= sx_FieldCount(); ++f) {
                    std::string name = sx_FieldName(f);
                    if (sx_FieldType(name) == 'M')
                        (void)sx_GetMemo(name);
                    else
                        (void)sx_GetString(name);
                }
                (void)sx_GetDateString(sx_FieldName(1));
            }
            for (sx_GoBottom(); !sx_Bof() && n < 400; sx_Skip(-1), ++n)
                (void)sx_RecNo();
            (void)sx_KeyCount();
            (void)sx_RecNoAt(1);
        }
        if (sx_RecCount() > 0 && sx_RecCount() < 50) {
            sx_Go(1);
            sx_Replace(sx_FieldName(1), R_CHAR, "fuzz");
            sx_Delete();
            sx_Pack();
        }
        sx_Close();
    }
    return 0;
}
