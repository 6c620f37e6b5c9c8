// Test helpers: a temporary directory, and a stand-in for a running virtual
// fax line in it (a listening control socket and modem links), so the device
// list can be tested without starting a line.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace qln::test {

class TempDir {
public:
    TempDir()
    {
        char t[] = "/tmp/qlntel.XXXXXX";
        path_ = ::mkdtemp(t) ? t : "";
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

// A directory that looks like a running line: vline.sock accepts
// connections and modem1..modemN link to the given devices.
class FakeLine {
public:
    FakeLine(const std::string &dir, const std::vector<std::string> &modemTargets) : dir_(dir)
    {
        std::filesystem::create_directories(dir);
        for (size_t i = 0; i < modemTargets.size(); ++i)
            std::filesystem::create_symlink(modemTargets[i], dir + "/modem" + std::to_string(i + 1));
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, (dir + "/vline.sock").c_str());
        ::bind(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(fd_, 8);
    }
    ~FakeLine() { stop(); }
    // The socket stops answering; the links stay, as after a crash.
    void stop()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    std::string dir_;
    int fd_ = -1;
};

} // namespace qln::test
