#include "telephony/virtualline.h"

#include "telephony/modemdevices.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace qln {

namespace {

bool executable(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string selfPath()
{
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    buf[n] = 0;
    return buf;
}

bool makeDirs(const std::string &dir)
{
    std::string partial;
    std::stringstream in(dir);
    std::string part;
    if (!dir.empty() && dir[0] == '/')
        partial = "/";
    while (std::getline(in, part, '/')) {
        if (part.empty())
            continue;
        partial += part + "/";
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// Lets queued UI events run while the line starts (a start takes a fraction
// of a second; the window should not look frozen).
void pause(std::chrono::milliseconds span)
{
    if (QCoreApplication::instance() && QCoreApplication::instance()->thread() == QThread::currentThread())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, int(span.count()));
    std::this_thread::sleep_for(span);
}

std::mutex g_linesLock;

struct Lines {
    std::map<std::string, std::unique_ptr<VirtualLine>> byDir;
    ~Lines()
    {
        // The end of the process stops the lines it started.
        for (auto &[dir, line] : byDir)
            line->stop();
    }
};

Lines &lines()
{
    static Lines l;
    return l;
}

} // namespace

VirtualLine::VirtualLine(std::string dir) : dir_(std::move(dir))
{
    while (dir_.size() > 1 && dir_.back() == '/')
        dir_.pop_back();
}

VirtualLine::~VirtualLine() { stop(); }

std::string VirtualLine::modemPath(int n) const { return dir_ + "/modem" + std::to_string(n); }

bool VirtualLine::running() const
{
    struct stat st {};
    return VirtualLineRunning(dir_) && ::stat(modemPath(1).c_str(), &st) == 0;
}

bool VirtualLine::childAlive()
{
    if (pid_ <= 0)
        return false;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0)
        return true;
    pid_ = -1;  // ended (or was never ours to wait for)
    return false;
}

std::string VirtualLine::childOutput() const
{
    std::ifstream in(dir_ + "/serve.out");
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty())
            last = line;
    // "qlnfax vline: <reason>" -> "<reason>"
    if (auto colon = last.find(": "); last.rfind("qlnfax", 0) == 0 && colon != std::string::npos)
        last = last.substr(colon + 2);
    return last;
}

bool VirtualLine::ensureRunning(std::string &error, int timeoutMs)
{
    error.clear();
    if (running())
        return true;
    if (!childAlive()) {
        const std::string prog = program();
        if (prog.empty()) {
            error = "the program qlnfax, which serves the line, was not found";
            return false;
        }
        if (!makeDirs(dir_)) {
            error = "cannot create " + dir_ + ": " + std::strerror(errno);
            return false;
        }
        int out = ::open((dir_ + "/serve.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0) {
            error = "cannot write " + dir_ + "/serve.out: " + std::strerror(errno);
            return false;
        }
        // Everything the child needs is prepared before fork(): between
        // fork() and exec() only async-signal-safe calls are made.
        std::vector<std::string> envText;
        for (char **e = environ; *e; ++e)
            if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
                envText.emplace_back(*e);
        envText.emplace_back("QT_QPA_PLATFORM=offscreen");
        std::vector<char *> env;
        for (auto &s : envText)
            env.push_back(s.data());
        env.push_back(nullptr);
        std::string a0 = prog, a1 = "vline", a2 = "serve", a3 = dir_;
        char *argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), nullptr};
        const pid_t parent = ::getpid();
        pid_t pid = ::fork();
        if (pid < 0) {
            error = std::string("cannot start the line: ") + std::strerror(errno);
            ::close(out);
            return false;
        }
        if (pid == 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
            int devnull = ::open("/dev/null", O_RDONLY);
            if (devnull >= 0)
                ::dup2(devnull, 0);
            // The line ends with this process, however it ends.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(1);
            ::execve(a0.c_str(), argv, env.data());
            ::_exit(127);
        }
        ::close(out);
        pid_ = pid;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (running())
            return true;
        if (!childAlive()) {
            error = childOutput();
            if (error.empty())
                error = "the line ended at once";
            return false;
        }
        pause(std::chrono::milliseconds(20));
    }
    stop();
    error = "the line did not start within " + std::to_string(timeoutMs / 1000) + " seconds";
    return false;
}

void VirtualLine::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r != 0) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string VirtualLine::program()
{
    if (const char *env = std::getenv("QLN_VLINE_PROGRAM"); env && *env)
        return executable(env) ? env : std::string();
    const std::string self = selfPath();
    if (auto slash = self.rfind('/'); slash != std::string::npos) {
        if (self.substr(slash + 1) == "qlnfax")
            return self;
        if (std::string beside = self.substr(0, slash + 1) + "qlnfax"; executable(beside))
            return beside;
    }
#ifdef QLN_BUILD_QLNFAX
    if (executable(QLN_BUILD_QLNFAX))
        return QLN_BUILD_QLNFAX;
#endif
    if (const char *path = std::getenv("PATH")) {
        std::stringstream in(path);
        std::string dir;
        while (std::getline(in, dir, ':'))
            if (!dir.empty() && executable(dir + "/qlnfax"))
                return dir + "/qlnfax";
    }
    return {};
}

VirtualLine &VirtualLine::forDirectory(const std::string &dir)
{
    std::lock_guard lock(g_linesLock);
    VirtualLine probe(dir);  // normalises the name
    auto &slot = lines().byDir[probe.dir()];
    if (!slot)
        slot = std::make_unique<VirtualLine>(probe.dir());
    return *slot;
}

void VirtualLine::stopAll()
{
    std::lock_guard lock(g_linesLock);
    for (auto &[dir, line] : lines().byDir)
        line->stop();
}

} // namespace qln
