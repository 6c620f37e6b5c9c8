// The per-user runtime directory and its checks.
#include "common/runtimedir.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace qln {

namespace {

std::string withoutTrailingSlash(std::string p)
{
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

// A directory (not a link to one) owned by uid, narrowed to mode 0700 when
// it is wider. Anything else is refused with the reason in `problem`.
bool usablePrivateDir(const std::string &path, uid_t uid, std::string &problem)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        problem = path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        problem = path + " is not a directory";
        return false;
    }
    if (st.st_uid != uid) {
        problem = path + " belongs to another user";
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0) {
        problem = path + ": cannot make it private: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool makePrivateDir(const std::string &path, uid_t uid, std::string &problem)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = path + ": " + std::strerror(errno);
        return false;
    }
    return usablePrivateDir(path, uid, problem);
}

}  // namespace

RuntimeDirChoice chooseRuntimeDirectory(const std::string &xdgRuntimeDir, const std::string &tmpDir,
                                        const std::string &home, uid_t uid)
{
    RuntimeDirChoice choice;
    auto note = [&](const std::string &why) {
        if (!why.empty())
            choice.problem += (choice.problem.empty() ? "" : "; ") + why;
    };
    std::string why;
    if (!xdgRuntimeDir.empty() && xdgRuntimeDir[0] == '/') {
        const std::string p = withoutTrailingSlash(xdgRuntimeDir);
        if (usablePrivateDir(p, uid, why)) {
            choice.path = p;
            return choice;
        }
        note("XDG_RUNTIME_DIR " + why);
    }
    const std::string tmp = tmpDir.empty() || tmpDir[0] != '/' ? std::string("/tmp") : withoutTrailingSlash(tmpDir);
    const std::string inTmp = tmp + "/quillon-runtime-" + std::to_string(uid);
    why.clear();
    if (makePrivateDir(inTmp, uid, why)) {
        choice.path = inTmp;
        return choice;
    }
    note(why);
    if (!home.empty() && home[0] == '/') {
        const std::string cache = withoutTrailingSlash(home) + "/.cache";
        ::mkdir(cache.c_str(), 0700);  // usually exists already
        const std::string inHome = cache + "/quillon-runtime";
        why.clear();
        if (makePrivateDir(inHome, uid, why)) {
            choice.path = inHome;
            return choice;
        }
        note(why);
    }
    return choice;
}

std::string ensureRuntimeDirectory()
{
    auto env = [](const char *name) {
        const char *v = std::getenv(name);
        return std::string(v ? v : "");
    };
    const std::string current = env("XDG_RUNTIME_DIR");
    const RuntimeDirChoice choice = chooseRuntimeDirectory(current, env("TMPDIR"), env("HOME"), ::getuid());
    if (!choice.path.empty() && withoutTrailingSlash(current) != choice.path)
        ::setenv("XDG_RUNTIME_DIR", choice.path.c_str(), 1);
    return choice.path;
}

}  // namespace qln
