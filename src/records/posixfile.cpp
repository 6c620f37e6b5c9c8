#include "records/posixfile.h"

#include "records/filelock.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qln::records {

namespace {
Status errnoStatus(const std::string &what, const std::string &path)
{
    return Status::ioError(what + " " + path + ": " + std::strerror(errno));
}
} // namespace

File::~File() { close(); }

File::File(File &&o) noexcept : fd_(o.fd_), path_(std::move(o.path_)) { o.fd_ = -1; }

File &File::operator=(File &&o) noexcept
{
    if (this != &o) {
        close();
        fd_ = o.fd_;
        path_ = std::move(o.path_);
        o.fd_ = -1;
    }
    return *this;
}

Status File::open(const std::string &path, bool writable)
{
    close();
    fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0)
        return errno == ENOENT ? Status::notFound(path) : errnoStatus("cannot open", path);
    path_ = path;
    return Status::ok();
}

Status File::create(const std::string &path)
{
    close();
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return errnoStatus("cannot create", path);
    path_ = path;
    return Status::ok();
}

void File::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

Status File::lockExclusive(int waitMs) { return lockExclusiveWaiting(fd_, path_, waitMs); }

Status File::readAt(uint64_t offset, void *buf, size_t len) const
{
    auto p = static_cast<char *>(buf);
    while (len > 0) {
        ssize_t n = ::pread(fd_, p, len, off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errnoStatus("cannot read", path_);
        }
        if (n == 0)
            return Status::corruption(path_ + ": unexpected end of file");
        p += n;
        len -= size_t(n);
        offset += uint64_t(n);
    }
    return Status::ok();
}

Status File::writeAt(uint64_t offset, const void *buf, size_t len)
{
    auto p = static_cast<const char *>(buf);
    while (len > 0) {
        ssize_t n = ::pwrite(fd_, p, len, off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errnoStatus("cannot write", path_);
        }
        p += n;
        len -= size_t(n);
        offset += uint64_t(n);
    }
    return Status::ok();
}

Status File::size(uint64_t &out) const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return errnoStatus("cannot stat", path_);
    out = uint64_t(st.st_size);
    return Status::ok();
}

Status File::mtimeNs(int64_t &out) const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return errnoStatus("cannot stat", path_);
    out = int64_t(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return Status::ok();
}

Status File::truncate(uint64_t len)
{
    if (::ftruncate(fd_, off_t(len)) != 0)
        return errnoStatus("cannot truncate", path_);
    return Status::ok();
}

Status File::sync()
{
    if (::fdatasync(fd_) != 0)
        return errnoStatus("cannot sync", path_);
    return Status::ok();
}

bool fileExists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Status removeFile(const std::string &path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return errnoStatus("cannot delete", path);
    return Status::ok();
}

std::string directoryOf(const std::string &path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

Status syncDirectoryOf(const std::string &path)
{
    int fd = ::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errnoStatus("cannot open directory of", path);
    int rc = ::fsync(fd);
    ::close(fd);
    if (rc != 0)
        return errnoStatus("cannot sync directory of", path);
    return Status::ok();
}

Status writeFileAtomically(const std::string &path, const std::string &data)
{
    return writeFileAtomically(path, std::vector<const std::string *>{&data});
}

Status writeFileAtomically(const std::string &path, const std::vector<const std::string *> &parts)
{
    const std::string tmp = path + ".tmp";
    File f;
    Status s = f.create(tmp);
    uint64_t off = 0;
    for (const std::string *p : parts) {
        if (s.isOk())
            s = f.writeAt(off, p->data(), p->size());
        off += p->size();
    }
    if (s.isOk())
        s = f.sync();
    f.close();
    if (s.isOk() && ::rename(tmp.c_str(), path.c_str()) != 0)
        s = errnoStatus("cannot rename to", path);
    if (!s.isOk()) {
        ::unlink(tmp.c_str());
        return s;
    }
    return syncDirectoryOf(path);
}

std::string withExtension(const std::string &path, const std::string &ext)
{
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    std::string base = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? path.substr(0, dot)
                           : path;
    std::string name = slash == std::string::npos ? base : base.substr(slash + 1);
    bool lower = false;
    for (char c : name)
        if (c >= 'a' && c <= 'z')
            lower = true;
    std::string e = ext;
    for (char &c : e)
        c = lower ? char(std::tolower(static_cast<unsigned char>(c)))
                  : char(std::toupper(static_cast<unsigned char>(c)));
    return base + "." + e;
}

std::string findCaseInsensitive(const std::string &path)
{
    if (fileExists(path))
        return path;
    std::string dir = directoryOf(path);
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return path;
    std::string found = path;
    while (dirent *e = ::readdir(d)) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) {
            found = (slash == std::string::npos ? std::string() : dir + "/") + e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

} // namespace qln::records
