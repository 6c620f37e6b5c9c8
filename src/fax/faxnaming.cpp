#include "fax/faxnaming.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace qln::fax {

std::string withTrailingSeparator(const std::string &dir)
{
    if (dir.empty() || dir.back() == '/')
        return dir;
    if (dir.back() == '\\')
        return dir.substr(0, dir.size() - 1) + "/";
    return dir + "/";
}

std::string receivedFileName(const std::string &dir, int mode, const std::string &ext,
                             int month, int day, const FileExistsFn &exists)
{
    char prefix[8];
    if (mode == fnMonthDay)
        std::snprintf(prefix, sizeof prefix, "%02d%02d", month % 100, day % 100);
    else
        std::snprintf(prefix, sizeof prefix, "FAX");
    for (int n = 1; n <= 9999; ++n) {
        char num[8];
        std::snprintf(num, sizeof num, "%04d", n);
        std::string path = dir + prefix + num + "." + ext;
        if (!exists(path))
            return path;
    }
    // Every counter is taken: NONAME.APF, or the first NONAME<n>.APF that
    // is free, so no earlier fax is ever overwritten.
    std::string path = dir + "NONAME.APF";
    for (long n = 1; exists(path) && n < 1000000; ++n)
        path = dir + "NONAME" + std::to_string(n) + ".APF";
    return path;
}

std::string receivedFileName(const std::string &dir, int mode, const std::string &ext)
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return receivedFileName(dir, mode, ext, tm.tm_mon + 1, tm.tm_mday, [](const std::string &p) {
        // A link counts as taken even when it points nowhere.
        std::error_code ec;
        return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
    });
}

} // namespace qln::fax
