// A virtual fax line run by this process: `qlnfax vline serve DIR` started
// as a child process, so that a user without fax hardware has a modem
// (DIR/modem1) that can send to the line's remote fax machine ("100") and
// receive from it (`qlnfax vline call DIR --to 1 --send FILE.tif`).
//
// The line is started on demand and runs until stop(), the end of the
// process (the objects of forDirectory() are stopped when the process
// exits, and the child is told by the kernel when its parent dies), or
// until it is stopped from outside. A line that already runs in the
// directory (started by another process) is used as it is and never
// stopped from here.
//
// User-interface thread (or one thread at a time).
#pragma once

#include <string>
#include <sys/types.h>

namespace qln {

class VirtualLine {
public:
    explicit VirtualLine(std::string dir);
    ~VirtualLine();
    VirtualLine(const VirtualLine &) = delete;
    VirtualLine &operator=(const VirtualLine &) = delete;

    const std::string &dir() const { return dir_; }
    // DIR/modem<n>.
    std::string modemPath(int n) const;

    // Whether a line answers in the directory and its modem 1 exists.
    bool running() const;
    // Starts the line unless it runs; waits up to timeoutMs for it to be
    // ready. False with the reason (the line's own message when it refused
    // to start, e.g. a directory path too long for its control socket).
    bool ensureRunning(std::string &error, int timeoutMs = 10000);
    // Whether the running line is this object's child.
    bool startedHere() const { return pid_ > 0; }
    // Stops the line when this object started it (SIGTERM, then SIGKILL
    // after 3 seconds) and waits for it to end.
    void stop();

    // The qlnfax program that serves lines: $QLN_VLINE_PROGRAM, this
    // program when it is qlnfax, qlnfax beside this program, the build
    // tree's qlnfax, or qlnfax on the PATH. Empty when none is executable.
    static std::string program();

    // The process-wide line of a directory; stopped at exit.
    static VirtualLine &forDirectory(const std::string &dir);
    // Stops every line started through forDirectory().
    static void stopAll();

private:
    bool childAlive();
    std::string childOutput() const;

    std::string dir_;
    pid_t pid_ = -1;
};

} // namespace qln
