// OutputFile: a file written under a temporary name beside its final name
// and renamed over it only when complete, so that the final name holds
// either what it held before or the whole new file, never a half-written
// one, and a failed write leaves an existing file untouched.
//
// The temporary name is the final name plus ".part-<pid>-<n>", created
// exclusively (an existing file or link of that name is never followed). It
// is removed when the object is destroyed without commit(), and also when
// the process is ended by SIGINT, SIGTERM, SIGHUP or SIGQUIT once
// removeOutputFilesOnSignals() has installed the handlers (a command-line
// tool does this at start).
//
// sameFile() tells whether two names are one file (same device and inode),
// which callers check before writing an output over their own input.
//
// An OutputFile is used by one thread; the registry behind the signal
// handlers is safe to use from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qln::fax {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    // Creates the temporary file for `finalPath`. Empty name: -2; other
    // failures: the negated I/O error.
    int open(const std::string &finalPath);
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string &finalPath() const { return final_; }
    const std::string &tempPath() const { return temp_; }

    // Writes all of `len` bytes at the end; 0 or the negated I/O error.
    int write(const uint8_t *data, std::size_t len);
    // Closes the file (after syncing it when `sync`) and renames it over the
    // final name. 0 or the negated I/O error; on failure nothing is left.
    int commit(bool sync = false);
    // Closes and removes the temporary file. Not an error when nothing is
    // open.
    void discard();

private:
    int fd_ = -1;
    int slot_ = -1;
    std::string final_;
    std::string temp_;
};

// Installs the signal handlers that remove every open temporary file before
// the process ends (the signal's default action follows).
void removeOutputFilesOnSignals();

// Whether a and b name the same existing file.
bool sameFile(const std::string &a, const std::string &b);

// Writes `bytes` to `path` through an OutputFile. 0 or the negated I/O error.
int writeFileAtomically(const std::string &path, const uint8_t *bytes, std::size_t len);
int writeFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes);

} // namespace qln::fax
