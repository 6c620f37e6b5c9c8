// The private directory a command renders in, beside its output file:
// ".qlnrender-<pid>-XXXXXX". It is removed when the command ends, also when
// rendering fails and when the command is stopped by SIGINT, SIGTERM or
// SIGHUP (the signal handler empties and removes it with async-signal-safe
// calls, then lets the signal take its course). One killed outright
// (SIGKILL, a crash) leaves it behind; such directories, whose process is
// gone, are removed by the next render in the same folder.
//
// One ScratchDir at a time per process; main thread.
#pragma once

#include <string>

class ScratchDir {
public:
    // Removes stale scratch directories in `parent`, then makes a new one.
    explicit ScratchDir(const std::string &parent);
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    bool isValid() const { return !path_.empty(); }
    // The directory, without a trailing '/'.
    const std::string &path() const { return path_; }

    // Removes directories named ".qlnrender-<pid>-..." in parent whose
    // process no longer runs; returns how many.
    static int removeStale(const std::string &parent);

private:
    std::string path_;
};
