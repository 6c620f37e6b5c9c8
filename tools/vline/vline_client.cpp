#include "vline/vline_client.h"

#include "vline/vline_server.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace qln::vline {

namespace {
std::vector<std::string> splitTabs(const std::string &line)
{
    std::vector<std::string> f;
    size_t pos = 0;
    while (true) {
        size_t tab = line.find('\t', pos);
        f.push_back(line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
        if (tab == std::string::npos)
            return f;
        pos = tab + 1;
    }
}

// Sends one request (head, the TIFF file's absolute path, tail) and waits
// for its RESULT or ERROR, passing other lines to progress.
CallResult request(const std::string &dir, const std::string &tiff, const std::string &head, const std::string &tail,
                   void (*progress)(const std::string &))
{
    CallResult r;
    char full[PATH_MAX];
    if (!realpath(tiff.c_str(), full)) {
        r.error = "cannot read " + tiff + ": " + std::strerror(errno);
        return r;
    }
    std::string sockPath = controlSocketPath(dir);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (sockPath.size() >= sizeof addr.sun_path) {
        r.error = "directory path too long: " + dir;
        return r;
    }
    std::strcpy(addr.sun_path, sockPath.c_str());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        r.error = "no virtual line is running in " + dir;
        if (fd >= 0)
            close(fd);
        return r;
    }
    std::string req = head + full + tail + "\n";
    if (send(fd, req.data(), req.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(req.size())) {
        r.error = "the virtual line closed the connection";
        close(fd);
        return r;
    }
    std::string in;
    char buf[512];
    while (true) {
        size_t nl;
        while ((nl = in.find('\n')) != std::string::npos) {
            std::string line = in.substr(0, nl);
            in.erase(0, nl + 1);
            auto f = splitTabs(line);
            if (f[0] == "RESULT" && f.size() >= 6) {
                r.reached = true;
                r.code = std::atoi(f[1].c_str());
                r.pages = std::atoi(f[2].c_str());
                r.text = f[3];
                r.bitRate = std::atoi(f[4].c_str());
                r.remoteId = f[5];
                close(fd);
                return r;
            }
            if (f[0] == "ERROR") {
                r.error = f.size() > 1 ? f[1] : "error";
                close(fd);
                return r;
            }
            if (progress)
                progress(line);
        }
        ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            r.error = "the virtual line stopped before the call ended";
            close(fd);
            return r;
        }
        in.append(buf, static_cast<size_t>(n));
    }
}

} // namespace

CallResult callModem(const std::string &dir, int modem, const std::string &tiff, const std::string &ident,
                     void (*progress)(const std::string &))
{
    return request(dir, tiff, "CALL\t" + std::to_string(modem) + "\t" + ident + "\t", "", progress);
}

CallResult dialNumber(const std::string &dir, const std::string &number, const std::string &tiff,
                      const std::string &ident, bool ecm, void (*progress)(const std::string &))
{
    return request(dir, tiff, "DIAL\t" + number + "\t" + ident + "\t", ecm ? "\t1" : "\t0", progress);
}

} // namespace qln::vline
