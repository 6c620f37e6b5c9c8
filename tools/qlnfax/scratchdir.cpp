#include "scratchdir.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr const char *kPrefix = ".qlnrender-";

// The directory the signal handler removes; empty when none.
char g_dir[4096];
volatile sig_atomic_t g_armed = 0;
struct sigaction g_previous[3];
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

// Unlinks every entry of the (flat) directory, then the directory itself.
// Only async-signal-safe calls: open, getdents64 through syscall, unlinkat,
// rmdir, close.
void removeFlatDirectory(const char *dir)
{
    const int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        alignas(8) char buf[4096];
        for (;;) {
            const long n = ::syscall(SYS_getdents64, fd, buf, sizeof buf);
            if (n <= 0)
                break;
            for (long off = 0; off < n;) {
                struct Entry {
                    uint64_t ino;
                    int64_t off;
                    unsigned short reclen;
                    unsigned char type;
                    char name[1];
                };
                const auto *e = reinterpret_cast<const Entry *>(buf + off);
                const char *name = buf + off + offsetof(Entry, name);
                if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
                    ::unlinkat(fd, name, 0);
                off += e->reclen;
            }
        }
        ::close(fd);
    }
    ::rmdir(dir);
}

void onSignal(int sig)
{
    if (g_armed) {
        g_armed = 0;
        removeFlatDirectory(g_dir);
    }
    // Let the signal end the program as it would have.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

bool processGone(const std::string &name)
{
    // ".qlnrender-<pid>-XXXXXX"
    const char *p = name.c_str() + std::strlen(kPrefix);
    char *end = nullptr;
    const long pid = std::strtol(p, &end, 10);
    if (end == p || *end != '-' || pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

int ScratchDir::removeStale(const std::string &parent)
{
    DIR *d = ::opendir(parent.c_str());
    if (!d)
        return 0;
    int removed = 0;
    while (dirent *e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.rfind(kPrefix, 0) != 0 || !processGone(name))
            continue;
        const std::string dir = parent + "/" + name;
        struct stat st {};
        if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
            continue;
        removeFlatDirectory(dir.c_str());
        removed += ::access(dir.c_str(), F_OK) != 0;
    }
    ::closedir(d);
    return removed;
}

ScratchDir::ScratchDir(const std::string &parent)
{
    removeStale(parent);
    std::string templ = parent + "/" + kPrefix + std::to_string(::getpid()) + "-XXXXXX";
    if (templ.size() >= sizeof g_dir || !::mkdtemp(templ.data()))
        return;
    path_ = templ;
    std::memcpy(g_dir, path_.c_str(), path_.size() + 1);
    g_armed = 1;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &sa, &g_previous[i]);
}

ScratchDir::~ScratchDir()
{
    if (path_.empty())
        return;
    g_armed = 0;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    removeFlatDirectory(path_.c_str());
}
