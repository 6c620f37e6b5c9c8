// Temporary directory for one test, removed with its content afterwards,
// and small file helpers shared by the table tests.
#pragma once

#include "records/posixfile.h"
#include "records/sx.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qln::records::test {

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qlnrecXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        sx_SetDeleted(true);
    }
    void TearDown() override
    {
        sx_CloseAll();
        std::filesystem::remove_all(dir);
    }
    std::string path(const std::string &name) const { return dir + "/" + name; }

    static std::string readFile(const std::string &p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    static void writeFile(const std::string &p, const std::string &data)
    {
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out << data;
    }

    std::string dir;
};

} // namespace qln::records::test
