// Whole-file replacement through a temporary file and a rename.
#include "common/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace qln {

bool writeFileAtomically(const std::string &path, const std::string &data, std::string *error)
{
    std::string pattern = path + ".tmpXXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    int err = 0;
    std::size_t done = 0;
    while (err == 0 && done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            err = errno;
        else if (n == 0)
            err = EIO;
        else
            done += static_cast<std::size_t>(n);
    }
    struct stat st;
    const mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    if (err == 0 && ::fchmod(fd, mode) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(name.data(), path.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(name.data());
        if (error)
            *error = std::strerror(err);
        return false;
    }
    return true;
}

}  // namespace qln
