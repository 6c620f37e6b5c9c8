// A temporary directory removed with its contents at the end of a test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qln::test {

class TempDir {
public:
    TempDir()
    {
        std::string t = (std::filesystem::temp_directory_path() / "qlncommon.XXXXXX").string();
        path_ = ::mkdtemp(t.data()) ? t : std::string();
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

    void write(const std::string &name, const std::string &data) const
    {
        std::ofstream(file(name), std::ios::binary) << data;
    }
    std::string read(const std::string &name) const
    {
        std::ifstream in(file(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::string path_;
};

}  // namespace qln::test
