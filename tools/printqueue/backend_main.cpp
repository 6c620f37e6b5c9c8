// The CUPS back end "quillon" (see backend.h): hands a printed job to the
// job user's Quillon data directory through `qlnfax printer job`.
#include "printqueue/backend.h"
#include "printqueue/printjob.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace qln::printqueue;

namespace {

void queueError(const std::string &text)
{
    std::fprintf(stderr, "ERROR: %s\n", text.c_str());
}

// A program the back end may run: a regular executable file owned by root
// or by the back end's own user, writable by nobody else.
bool usableProgram(const std::string &path)
{
    char real[PATH_MAX];
    if (!::realpath(path.c_str(), real))
        return false;
    struct stat st {};
    if (::stat(real, &st) != 0 || !S_ISREG(st.st_mode) || !(st.st_mode & S_IXUSR))
        return false;
    if (st.st_uid != 0 && st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::optional<UserAccount> lookUp(const std::string &name)
{
    struct passwd *pw = ::getpwnam(name.c_str());
    if (!pw)
        return std::nullopt;
    return UserAccount{pw->pw_uid, pw->pw_gid, pw->pw_name, pw->pw_dir ? pw->pw_dir : ""};
}

bool dropTo(const UserAccount &user)
{
    if (::initgroups(user.name.c_str(), user.gid) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0)
        return false;
    // Root must be gone for good.
    return ::getuid() == user.uid && ::geteuid() == user.uid && ::setuid(0) != 0;
}

// The environment qlnfax runs in: nothing of CUPS's but the language.
std::vector<std::string> jobEnvironment(const UserAccount &user)
{
    std::vector<std::string> env = {"HOME=" + user.home, "USER=" + user.name, "LOGNAME=" + user.name,
                                    "PATH=/usr/local/bin:/usr/bin:/bin", "TMPDIR=/tmp",
                                    "QT_QPA_PLATFORM=offscreen"};
    for (const char *name : {"LANG", "LC_ALL", "LC_CTYPE"}) {
        if (const char *v = std::getenv(name))
            env.push_back(std::string(name) + "=" + v);
    }
    // The desktop session's runtime directory, where a running Quillon
    // listens; without one, qlnfax uses the same private fallback as Quillon.
    const std::string runtime = "/run/user/" + std::to_string(user.uid);
    struct stat st {};
    if (::lstat(runtime.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == user.uid)
        env.push_back("XDG_RUNTIME_DIR=" + runtime);
    return env;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 1) {
        std::printf("%s\n", deviceDiscoveryLine().c_str());
        return kBackendOk;
    }
    const auto job = parseBackendArgs(argc, argv);
    if (!job) {
        std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", argv[0]);
        return kBackendFailed;
    }
    const auto account = lookUp(job->user);
    const UserDecision decision = decideUser(job->user, account, ::geteuid());
    if (!decision.ok) {
        queueError(decision.error);
        return kBackendCancel;
    }
    // The spool file is readable by CUPS only: open it before giving up root.
    if (!job->file.empty()) {
        const int fd = ::open(job->file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            queueError("Quillon: cannot read the job's document: " + std::string(std::strerror(errno)));
            return kBackendFailed;
        }
        ::dup2(fd, 0);
        ::close(fd);
    }
    char self[PATH_MAX];
    const std::string qlnfax = ::realpath("/proc/self/exe", self) ? findQlnfax(self, QLN_INSTALLED_QLNFAX, usableProgram) : std::string();
    if (qlnfax.empty()) {
        queueError("Quillon: qlnfax is not installed beside the back end");
        return kBackendCancel;
    }
    if (decision.dropPrivileges && !dropTo(*account)) {
        queueError("Quillon: cannot switch to the user \"" + job->user + "\"");
        return kBackendFailed;
    }
    const std::string dataDir = userDataDirectory(account->home);
    struct stat st {};
    if (::stat(dataDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        queueError("Quillon: the user \"" + job->user + "\" has no Quillon data directory (" + dataDir +
                   "); start Quillon once as that user, then print again");
        return kBackendCancel;
    }
    if (::chdir(dataDir.c_str()) != 0) {
        queueError("Quillon: cannot enter " + dataDir + ": " + std::strerror(errno));
        return kBackendCancel;
    }

    const std::vector<std::string> args = qlnfaxArguments(qlnfax, *job, dataDir);
    const std::vector<std::string> env = jobEnvironment(*account);
    std::vector<char *> argvOut, envOut;
    for (const auto &a : args)
        argvOut.push_back(const_cast<char *>(a.c_str()));
    argvOut.push_back(nullptr);
    for (const auto &e : env)
        envOut.push_back(const_cast<char *>(e.c_str()));
    envOut.push_back(nullptr);
    ::execve(qlnfax.c_str(), argvOut.data(), envOut.data());
    queueError("Quillon: cannot run " + qlnfax + ": " + std::strerror(errno));
    return kBackendFailed;
}
