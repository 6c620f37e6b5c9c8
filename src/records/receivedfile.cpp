#include "records/receivedfile.h"

#include "records/posixfile.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace qln::records {

namespace {
std::string trimBlanks(const std::string &s)
{
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}
} // namespace

ReceivedFileTarget LocateReceivedFile(const std::string &dataDir, const std::string &faxFile)
{
    ReceivedFileTarget target;
    const std::string name = trimBlanks(faxFile);
    if (name.empty())
        return target;
    target.kind = ReceivedFileTarget::Kind::Refused;
    if (name.find_first_of(std::string("/\\:\0", 4)) != std::string::npos || name == "." || name == "..")
        return target;
    std::string dir = dataDir;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    // Created as "receive", addressed as "RECEIVE\": whichever exists.
    std::string receiveDir = findCaseInsensitive(dir + "/RECEIVE");
    struct stat st {};
    if (::stat(receiveDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        receiveDir = dir + "/receive";
    target.kind = ReceivedFileTarget::Kind::File;
    target.path = findCaseInsensitive(receiveDir + "/" + name);
    return target;
}

ReceivedFileRemoval RemoveReceivedFile(const std::string &dataDir, const std::string &faxFile,
                                       std::string &error)
{
    error.clear();
    const ReceivedFileTarget target = LocateReceivedFile(dataDir, faxFile);
    if (target.kind == ReceivedFileTarget::Kind::None)
        return ReceivedFileRemoval::NoFile;
    const std::string refused =
        "The fax file name \"" + faxFile + "\" does not name a file in the receive directory; no file was deleted.";
    if (target.kind == ReceivedFileTarget::Kind::Refused) {
        error = refused;
        return ReceivedFileRemoval::Refused;
    }
    struct stat st {};
    if (::lstat(target.path.c_str(), &st) != 0)
        return ReceivedFileRemoval::AlreadyGone;
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
        error = refused;
        return ReceivedFileRemoval::Refused;
    }
    if (::unlink(target.path.c_str()) != 0) {
        if (errno == ENOENT)
            return ReceivedFileRemoval::AlreadyGone;
        error = "Unable to delete " + target.path + ": " + std::strerror(errno);
        return ReceivedFileRemoval::Failed;
    }
    return ReceivedFileRemoval::Removed;
}

} // namespace qln::records
