#include "printqueue/backend.h"

namespace qln::printqueue {

std::optional<BackendJob> parseBackendArgs(int argc, const char *const *argv)
{
    if (argc != 6 && argc != 7)
        return std::nullopt;
    BackendJob job;
    job.jobId = argv[1];
    job.user = argv[2];
    job.title = argv[3];
    job.copies = argv[4];
    job.options = argv[5];
    if (argc == 7)
        job.file = argv[6];
    return job;
}

std::string deviceDiscoveryLine()
{
    return "direct quillon:/ \"Quillon Fax\" \"Quillon fax (printed documents become outgoing faxes)\"";
}

UserDecision decideUser(const std::string &userName, const std::optional<UserAccount> &account, uid_t euid)
{
    UserDecision d;
    if (!account) {
        d.error = "Quillon: \"" + userName + "\" is not a user of this computer; the fax was not stored";
        return d;
    }
    if (account->uid == 0) {
        d.error = "Quillon: print jobs of root are not taken; print as the user who sends the faxes";
        return d;
    }
    if (euid == 0) {
        d.ok = true;
        d.dropPrivileges = true;
        return d;
    }
    if (euid == account->uid) {
        d.ok = true;
        return d;
    }
    d.error = "Quillon: the back end cannot act for \"" + userName +
              "\": it must be installed owned by root with mode 0700 so that CUPS runs it as root";
    return d;
}

std::string findQlnfax(const std::string &selfPath, const std::string &installedPath,
                       bool (*usable)(const std::string &path))
{
    const std::size_t slash = selfPath.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : selfPath.substr(0, slash);
    for (const std::string &candidate : {dir + "/../../../bin/qlnfax", dir + "/../qlnfax/qlnfax", installedPath}) {
        if (!candidate.empty() && usable(candidate))
            return candidate;
    }
    return {};
}

std::vector<std::string> qlnfaxArguments(const std::string &qlnfax, const BackendJob &job,
                                         const std::string &dataDir)
{
    return {qlnfax, "printer", "job", "--data-dir", dataDir, "--job-id", job.jobId,
            "--title", job.title, "--options", job.options};
}

} // namespace qln::printqueue
