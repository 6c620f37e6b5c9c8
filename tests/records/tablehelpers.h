// Helpers for engine tests: a small sample table and an independent check
// that a tag's order matches a plain sort of the table's rows.
#pragma once

#include "records/sx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace qln::records::test {

// NAME C 20, WHEN D, DONE L, QTY N 4, NOTE M.
inline bool createSample(const std::string &path, bool memo = true)
{
    if (!sx_CreateNew(path, "NEW", SDEFOX, memo ? 5 : 4))
        return false;
    bool ok = sx_CreateField("NAME", "C", 20, 0) && sx_CreateField("WHEN", "D", 8, 0) &&
              sx_CreateField("DONE", "L", 1, 0) && sx_CreateField("QTY", "N", 4, 0);
    if (memo)
        ok = ok && sx_CreateField("NOTE", "M", 10, 0);
    return ok && sx_CreateExec();
}

inline bool addRow(const std::string &name, const std::string &when, bool done, int qty)
{
    return sx_AppendBlank() && sx_Replace("NAME", R_CHAR, name) && sx_Replace("WHEN", R_DATESTR, when) &&
           sx_Replace("DONE", R_LOGICAL, done ? "T" : "F") && sx_Replace("QTY", R_INTEGER, std::to_string(qty));
}

// Record numbers in the order navigation visits them.
inline std::vector<long> walk()
{
    std::vector<long> out;
    for (sx_GoTop(); !sx_Eof(); sx_Skip(1)) {
        out.push_back(sx_RecNo());
        if (out.size() > 1000000)
            break;
    }
    return out;
}

inline std::vector<long> walkBackwards()
{
    std::vector<long> out;
    for (sx_GoBottom(); !sx_Bof(); sx_Skip(-1)) {
        out.push_back(sx_RecNo());
        if (out.size() > 1000000 || sx_Eof())
            break;
    }
    return out;
}

// Expected order of a tag computed row by row through the expression
// evaluator: rows passing `condition` and not hidden, sorted by key then
// record number (reversed for a descending tag).
inline std::vector<long> expectedOrder(const std::string &key, const std::string &condition, bool descending)
{
    std::vector<std::pair<std::string, long>> rows;
    for (long r = 1; r <= sx_RecCount(); ++r) {
        sx_Go(r);
        bool pass = true;
        if (!condition.empty()) {
            EXPECT_TRUE(sx_EvalLogical(condition, pass));
        }
        if (!pass || (sx_GetDeletedSetting() && sx_Deleted()))
            continue;
        std::string k;
        EXPECT_TRUE(sx_EvalString(key, k));
        rows.emplace_back(k, r);
    }
    std::sort(rows.begin(), rows.end());
    if (descending)
        std::reverse(rows.begin(), rows.end());
    std::vector<long> out;
    for (auto &r : rows)
        out.push_back(r.second);
    return out;
}

} // namespace qln::records::test
