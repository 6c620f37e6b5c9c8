#include "vline/vline_server.h"

#include "vline/class1_modem.h"
#include "vline/class2_modem.h"
#include "vline/stop_flag.h"
#include "vline/voice_source.h"
#include "vline/vline_log.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qln::vline {

namespace {

int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
    char c = 's';
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

} // namespace

bool stopRequested()
{
    return g_stop != 0;
}

void requestStop()
{
    g_stop = 1;
}

bool parseModemList(const std::string &text, std::vector<std::string> &classes, std::string &why)
{
    classes.clear();
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        std::string item = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (item != "1" && item != "2" && item != "2.0") {
            why = "unknown modem class \"" + item + "\" (use 1, 2 or 2.0)";
            return false;
        }
        classes.push_back(item);
        if (comma == std::string::npos)
            break;
        pos = comma + 1;
    }
    if (classes.empty() || classes.size() > 9) {
        why = "between 1 and 9 modems";
        return false;
    }
    return true;
}

bool validMaxBps(int bps)
{
    for (int r : {2400, 4800, 7200, 9600, 12000, 14400})
        if (bps == r)
            return true;
    return false;
}

std::string controlSocketPath(const std::string &dir)
{
    return dir + "/vline.sock";
}

VlineServer::VlineServer(ServeOptions opt) : opt_(std::move(opt)) {}

VlineServer::~VlineServer()
{
    shutdown();
}

int VlineServer::nextRxNumber()
{
    if (rxCounter_ == 0) {
        // Continue after the highest number already in DIR/remote.
        if (DIR *d = opendir((opt_.dir + "/remote").c_str())) {
            while (dirent *e = readdir(d)) {
                int n = 0;
                if (std::sscanf(e->d_name, "rx-%d.", &n) == 1)
                    rxCounter_ = std::max(rxCounter_, n);
            }
            closedir(d);
        }
    }
    return ++rxCounter_;
}

std::string VlineServer::start()
{
    if (::mkdir(opt_.dir.c_str(), 0777) != 0 && errno != EEXIST)
        return "cannot create " + opt_.dir + ": " + std::strerror(errno);
    char full[PATH_MAX];
    if (!realpath(opt_.dir.c_str(), full))
        return "cannot resolve " + opt_.dir + ": " + std::strerror(errno);
    opt_.dir = full;
    std::string remoteDir = opt_.dir + "/remote";
    if (::mkdir(remoteDir.c_str(), 0777) != 0 && errno != EEXIST)
        return "cannot create " + remoteDir + ": " + std::strerror(errno);

    // Refuse to take over a directory a running line still serves.
    std::string sockPath = controlSocketPath(opt_.dir);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (sockPath.size() >= sizeof addr.sun_path)
        return "directory path too long for the control socket: " + sockPath;
    std::strcpy(addr.sun_path, sockPath.c_str());
    int probe = socket(AF_UNIX, SOCK_STREAM, 0);
    if (probe >= 0) {
        bool live = connect(probe, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
        ::close(probe);
        if (live)
            return "a virtual line is already running in " + opt_.dir;
    }

    if (!VlineLog::open(opt_.dir + "/vline.log"))
        return "cannot write " + opt_.dir + "/vline.log";
    VlineLog::write("virtual line starting: modems %zu, speed-up %d, noise %s, max %s, remote id \"%s\"%s",
                    opt_.modemClasses.size(), opt_.speedUp,
                    std::isnan(opt_.noiseDbm0) ? "off" : (std::to_string(opt_.noiseDbm0) + " dBm0").c_str(),
                    opt_.maxBps > 0 ? (std::to_string(opt_.maxBps) + " bit/s").c_str() : "any bit rate",
                    opt_.remoteId.c_str(), opt_.remoteEcm ? ", remote ECM" : "");

    for (size_t i = 0; i < opt_.modemClasses.size(); ++i) {
        int index = static_cast<int>(i) + 1;
        const std::string &cls = opt_.modemClasses[i];
        std::unique_ptr<EmulatedModem> m;
        if (cls == "1")
            m = std::make_unique<Class1Modem>(index, *this, opt_.trace);
        else
            m = std::make_unique<Class2Modem>(index, *this, cls == "2.0", opt_.dir, opt_.speedUp, opt_.trace);
        std::string link = opt_.dir + "/modem" + std::to_string(index);
        std::string why = m->openPort(link);
        if (!why.empty())
            return why;
        VlineLog::write("modem%d: class %s on %s (%s)", index, cls.c_str(), link.c_str(),
                        m->port().slaveName().c_str());
        modems_.push_back(std::move(m));
    }

    ::unlink(sockPath.c_str());
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0
        || listen(listenFd_, 8) != 0)
        return "cannot listen on " + sockPath + ": " + std::strerror(errno);
    socketBound_ = true;
    VlineLog::write("ready");
    return {};
}

void VlineServer::shutdown()
{
    while (!calls_.empty())
        endCall(calls_.front().get(), "line shut down");
    for (auto &cl : clients_)
        ::close(cl.fd);
    clients_.clear();
    bool hadModems = !modems_.empty();
    modems_.clear();  // closes the ptys and removes the symlinks
    if (listenFd_ >= 0)
        ::close(listenFd_);
    listenFd_ = -1;
    if (socketBound_)
        ::unlink(controlSocketPath(opt_.dir).c_str());
    socketBound_ = false;
    if (hadModems)
        VlineLog::write("stopped");
    VlineLog::close();
}

int VlineServer::run()
{
    if (pipe2(g_signalPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        std::perror("pipe2");
        return 1;
    }
    struct sigaction sa{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string why = start();
    if (!why.empty()) {
        std::fprintf(stderr, "qlnfax vline: %s\n", why.c_str());
        VlineLog::write("start failed: %s", why.c_str());
        shutdown();
        return 1;
    }
    std::printf("virtual fax line ready in %s\n", opt_.dir.c_str());
    std::fflush(stdout);

    const int64_t periodNs = 20'000'000 / std::max(1, opt_.speedUp);
    auto monoNs = [] {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
    };
    int64_t next = monoNs() + periodNs;
    bool stop = false;
    while (!stop) {
        std::vector<pollfd> fds;
        fds.push_back({g_signalPipe[0], POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        for (auto &cl : clients_)
            fds.push_back({cl.fd, POLLIN, 0});
        for (auto &m : modems_) {
            short ev = 0;
            if (m->wantsInput())
                ev |= POLLIN;
            if (m->port().hasPendingOutput())
                ev |= POLLOUT;
            fds.push_back({m->port().masterFd(), ev, 0});
        }
        int64_t wait = std::max<int64_t>(0, next - monoNs());
        timespec ts{static_cast<time_t>(wait / 1'000'000'000), static_cast<long>(wait % 1'000'000'000)};
        int n = ppoll(fds.data(), fds.size(), &ts, nullptr);
        if (n < 0 && errno != EINTR) {
            VlineLog::write("poll failed: %s", std::strerror(errno));
            break;
        }
        if (n > 0) {
            if (fds[0].revents & POLLIN)
                stop = true;
            if (fds[1].revents & POLLIN)
                acceptClient();
            size_t k = 2;
            size_t clientCount = clients_.size();
            std::vector<int> drop;
            for (size_t i = 0; i < clientCount; ++i, ++k)
                if (fds[k].revents & (POLLIN | POLLHUP | POLLERR))
                    if (!serviceClient(clients_[i]))
                        drop.push_back(clients_[i].fd);
            for (auto &m : modems_) {
                if (fds[k].revents & POLLOUT)
                    m->port().flush();
                if (fds[k].revents & POLLIN)
                    m->serviceInput();
                ++k;
            }
            for (int fd : drop) {
                ::close(fd);
                clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                              [fd](const Client &c) { return c.fd == fd; }),
                               clients_.end());
                for (auto &c : calls_)
                    if (c->clientFd == fd)
                        c->clientFd = -1;
            }
            processActions();
        }
        int64_t t = monoNs();
        if (t - next > 1'000'000'000) {
            VlineLog::write("line clock fell %lld ms behind; resynchronised",
                            static_cast<long long>((t - next) / 1'000'000));
            next = t;
        }
        while (!stop && t >= next) {
            tick();
            next += periodNs;
        }
    }
    VlineLog::write("stop signal received");
    shutdown();
    return 0;
}

void VlineServer::tick()
{
    now_ += kBlockSamples;
    VlineLog::setLineClock(now_);
    for (auto &m : modems_) {
        m->checkDtr();
        m->serviceInput();
    }
    processActions();
    for (size_t i = 0; i < calls_.size();) {
        LineCall *c = calls_[i].get();
        advanceCall(*c);
        // advanceCall may end the call; only step on when it is still there.
        if (i < calls_.size() && calls_[i].get() == c)
            ++i;
    }
    for (auto &m : modems_) {
        LineCall *c = callOf(m.get());
        if (!c || c->state != LineCall::State::Connected)
            m->idleBlock(kBlockSamples);
    }
    for (auto &c : calls_)
        if (c->state == LineCall::State::Connected)
            c->exchangeAudio(kBlockSamples);
    processActions();
    for (auto &c : calls_)
        if (c->remote && c->remote->finished() && !c->outcomeReported)
            finishRemote(*c);
    for (auto &c : calls_)
        if (c->terminal && c->terminal->finished() && !c->terminalReported)
            finishTerminal(*c);
    for (auto &m : modems_)
        m->port().flush();
}

} // namespace qln::vline
