// The per-user runtime directory: where local sockets (the single-copy
// guard's) live, reachable by this user only.
//
// The directory is $XDG_RUNTIME_DIR when that names a directory owned by
// this user (not a symbolic link). Otherwise it is a private directory made
// with mode 0700: "quillon-runtime-<uid>" in the system's temporary
// directory, or, when someone else holds that name, "quillon-runtime" under
// $HOME/.cache. A directory of ours with a wider mode is narrowed to 0700; a
// directory owned by another user is never used.
//
// ensureRuntimeDirectory() also points XDG_RUNTIME_DIR at the chosen
// directory when it was unset or unusable, so that the toolkit uses the same
// directory and does not complain. Call it before the application object is
// created, from the main thread.
#pragma once

#include <string>
#include <sys/types.h>

namespace qln {

struct RuntimeDirChoice {
    std::string path;    // without trailing '/'; empty when none is usable
    std::string problem; // why a candidate was passed over (for diagnostics)
};

// The rule above with its inputs given: the value of XDG_RUNTIME_DIR (may be
// empty), the temporary directory, the home directory and the user.
// Creates or narrows the chosen directory.
RuntimeDirChoice chooseRuntimeDirectory(const std::string &xdgRuntimeDir, const std::string &tmpDir,
                                        const std::string &home, uid_t uid);

// The rule for this process (environment, getuid()); sets XDG_RUNTIME_DIR
// to the result when it differs. Returns the directory, empty when none.
std::string ensureRuntimeDirectory();

}  // namespace qln
