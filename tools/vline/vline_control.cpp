// The control socket of the virtual line: `qlnfax vline call` asks the
// remote fax machine to call a modem and waits for the outcome.
//
// Protocol (lines, fields separated by tabs):
//   client: CALL <modem number> <identification> <absolute TIFF path>
//           DIAL <number> <identification> <absolute TIFF path> <ecm 0|1>
//                 (the line's calling terminal dials; only "100" answers)
//   server: RING                  (each ring of the called modem)
//           ANSWERED              (the host answered)
//           RESULT <code> <pages> <text> <bit rate> <remote id>
//           ERROR <text>
#include "vline/vline_server.h"

#include "vline/vline_log.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace qln::vline {

void VlineServer::acceptClient()
{
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0)
        clients_.push_back({fd, {}});
}

void VlineServer::reply(int fd, const std::string &line)
{
    if (fd < 0)
        return;
    std::string out = line + "\n";
    // Replies are short; a client that does not read them loses them.
    [[maybe_unused]] ssize_t n = send(fd, out.data(), out.size(), MSG_NOSIGNAL);
}

bool VlineServer::serviceClient(Client &cl)
{
    char buf[1024];
    ssize_t n = recv(cl.fd, buf, sizeof buf, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
        return false;
    if (n < 0)
        return true;
    cl.in.append(buf, static_cast<size_t>(n));
    if (cl.in.size() > 8192)
        return false;
    size_t nl;
    while ((nl = cl.in.find('\n')) != std::string::npos) {
        std::string line = cl.in.substr(0, nl);
        cl.in.erase(0, nl + 1);
        clientCommand(cl, line);
    }
    return true;
}

void VlineServer::clientCommand(Client &cl, const std::string &line)
{
    std::vector<std::string> f;
    size_t pos = 0;
    while (true) {
        size_t tab = line.find('\t', pos);
        f.push_back(line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos));
        if (tab == std::string::npos)
            break;
        pos = tab + 1;
    }
    if (f[0] == "DIAL" && f.size() == 5) {
        if (f[1] != "100") {
            reply(cl.fd, "ERROR\tthe calling terminal reaches only the remote machine, 100");
            return;
        }
        if (access(f[3].c_str(), R_OK) != 0) {
            reply(cl.fd, "ERROR\tcannot read " + f[3]);
            return;
        }
        terminalDial(cl.fd, f[2], f[3], f[4] == "1");
        return;
    }
    if (f[0] != "CALL" || f.size() != 4) {
        reply(cl.fd, "ERROR\tunknown request");
        return;
    }
    int index = std::atoi(f[1].c_str());
    if (index < 1 || index > static_cast<int>(modems_.size())) {
        reply(cl.fd, "ERROR\tno modem " + f[1] + " on this line");
        return;
    }
    if (access(f[3].c_str(), R_OK) != 0) {
        reply(cl.fd, "ERROR\tcannot read " + f[3]);
        return;
    }
    EmulatedModem *m = modems_[static_cast<size_t>(index - 1)].get();
    if (callOf(m)) {
        reply(cl.fd, "RESULT\t-1\t0\tbusy\t0\t");
        return;
    }
    LineCall &c = newCall(LineCall::Target::Remote);
    c.callee = m;
    c.clientFd = cl.fd;
    c.txFile = f[3];
    c.txIdent = f[2].empty() ? opt_.remoteId : f[2];
    c.number = std::to_string(100 + index);
    c.nextEventAt = now_;
    VlineLog::write("call %d: remote machine calls modem%d to send %s", c.id(), index, c.txFile.c_str());
}

} // namespace qln::vline
