// The CUPS back end "quillon": its decisions apart from the system calls.
//
// CUPS runs a back end as root when its file has no permission bits for
// group and others (mode 0700), which the install gives it. The back end
// then acts for the user whose job it is (the job's user name, argv[2]),
// never for a path or user named in the job's options: it looks the user up
// in the password database, refuses root and unknown users, drops to the
// user's uid, gids and groups, and only then looks at the user's Quillon
// data directory (HOME/.local/share/Quillon/). A user without one gets the
// job cancelled with an error the print queue shows. Run by a cupsd that
// is not root, it takes jobs of its own user only.
//
// The job itself is handed to `qlnfax printer job`, run as that user with
// the job's document on its standard input.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace qln::printqueue {

// Exit codes of a CUPS back end.
enum BackendStatus : int {
    kBackendOk = 0,
    kBackendFailed = 1,
    kBackendStop = 4,
    kBackendCancel = 5,
};

// argv[1..6] of a back end run for a job.
struct BackendJob {
    std::string jobId;
    std::string user;
    std::string title;
    std::string copies;
    std::string options;
    std::string file;  // "" when the document comes on standard input
};

// The job of a back end's arguments (argc 6 or 7); nullopt otherwise.
std::optional<BackendJob> parseBackendArgs(int argc, const char *const *argv);

// The line a back end prints when CUPS asks which devices it offers.
std::string deviceDiscoveryLine();

struct UserAccount {
    uid_t uid = 0;
    gid_t gid = 0;
    std::string name;
    std::string home;
};

struct UserDecision {
    bool ok = false;
    bool dropPrivileges = false;  // run as root: switch to the user
    std::string error;            // for the print queue when !ok
};

// Whether a back end running with effective uid `euid` may act for the
// account found for `userName` (nullopt: no such user).
UserDecision decideUser(const std::string &userName, const std::optional<UserAccount> &account, uid_t euid);

// The qlnfax to run, for a back end whose own file is `selfPath` (symbolic
// links resolved): "<dir>/../../../bin/qlnfax" for an installed back end in
// <prefix>/lib/cups/backend, then "<dir>/../qlnfax/qlnfax" (the build
// tree), then `installedPath` (where the build installs qlnfax, for a back
// end installed outside the prefix). `usable` says whether a candidate may
// be run; "" when none may.
std::string findQlnfax(const std::string &selfPath, const std::string &installedPath,
                       bool (*usable)(const std::string &path));

// The arguments of `qlnfax printer job` for the job and data directory.
std::vector<std::string> qlnfaxArguments(const std::string &qlnfax, const BackendJob &job,
                                         const std::string &dataDir);

} // namespace qln::printqueue
