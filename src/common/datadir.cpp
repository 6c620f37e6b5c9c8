// The data directory and case-insensitive, contained names inside it.
#include "common/datadir.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include <strings.h>
#include <unistd.h>

namespace qln {

namespace fs = std::filesystem;

namespace {

std::mutex overrideMutex;
std::string overridePath;

std::string withSlash(std::string p)
{
    if (p.empty() || p.back() != '/')
        p += '/';
    return p;
}

bool writableDir(const std::string &p)
{
    std::error_code ec;
    return !p.empty() && fs::is_directory(p, ec) && ::access(p.c_str(), W_OK | X_OK) == 0;
}

// Components of a relative name, '\' and '/' both separating; false when
// the name is empty, absolute, climbs with "..", holds a NUL, or names
// nothing but the directory itself.
bool splitChildName(const std::string &name, std::vector<std::string> &parts)
{
    parts.clear();
    if (name.empty() || name.find('\0') != std::string::npos)
        return false;
    if (name[0] == '/' || name[0] == '\\')
        return false;
    if (name.size() >= 2 && name[1] == ':')
        return false;  // drive-letter path
    std::string cur;
    auto push = [&]() {
        if (cur == "..")
            return false;
        if (!cur.empty() && cur != ".")
            parts.push_back(cur);
        cur.clear();
        return true;
    };
    for (char c : name) {
        if (c == '/' || c == '\\') {
            if (!push())
                return false;
        } else {
            cur += c;
        }
    }
    if (!push())
        return false;
    return !parts.empty();
}

// Existing entry of dir whose name equals |part| ignoring case; an exact
// match wins over a case-insensitive one.
std::string matchEntry(const std::string &dir, const std::string &part)
{
    std::error_code ec;
    if (fs::exists(fs::path(dir) / part, ec))
        return part;
    fs::directory_iterator it(dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::string n = it->path().filename().string();
        if (n.size() == part.size() && ::strcasecmp(n.c_str(), part.c_str()) == 0)
            return n;
    }
    return {};
}

std::string resolve(const std::string &dir, const std::string &name, bool mustExist)
{
    std::vector<std::string> parts;
    if (!splitChildName(name, parts))
        return {};
    std::string path = withSlash(dir);
    bool existing = true;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        std::string found = existing ? matchEntry(path, parts[i]) : std::string();
        if (found.empty()) {
            if (mustExist)
                return {};
            existing = false;
            found = parts[i];
        }
        path += found;
        if (i + 1 < parts.size())
            path += '/';
    }
    return path;
}

}  // namespace

std::string programDirectory()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return withSlash(fs::current_path(ec).string());
    return withSlash(exe.parent_path().string());
}

void setDataDirectoryOverride(const std::string &path)
{
    std::lock_guard<std::mutex> lock(overrideMutex);
    overridePath = path;
}

std::string dataDirectory()
{
    {
        std::lock_guard<std::mutex> lock(overrideMutex);
        if (!overridePath.empty())
            return withSlash(overridePath);
    }
    if (const char *env = std::getenv("QLN_DATA_DIR"); env && *env)
        return withSlash(env);
    std::string prog = programDirectory();
    // An installed program (its files in ../share/quillon) keeps no data
    // beside itself, even when root can write to the programs' folder.
    std::error_code installedEc;
    const bool installed = fs::is_directory(prog + "../share/quillon", installedEc);
    if (!installed && writableDir(prog))
        return prog;
    std::string base;
    if (const char *xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char *home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        base = "/tmp";
    std::string dir = withSlash(base) + "Quillon/";
    std::error_code ec;
    fs::create_directories(dir, ec);  // a failure shows later as a failed write
    return dir;
}

// An existing settings file is used whatever the case of its name, so that a
// "qln.ini" is read and written in place instead of a second file appearing.
std::string settingsPath()
{
    const std::string dir = dataDirectory();
    const std::string found = findNameNoCase(dir, "QLN.INI");
    return found.empty() ? dir + "QLN.INI" : found;
}

std::string receiveDirectory()
{
    const std::string dir = dataDirectory();
    const std::string found = findNameNoCase(dir, "receive");
    return (found.empty() ? dir + "receive" : found) + "/";
}

std::string findNameNoCase(const std::string &dir, const std::string &name)
{
    return resolve(dir, name, true);
}

std::string resolveNameNoCase(const std::string &dir, const std::string &name)
{
    return resolve(dir, name, false);
}

std::string safeChildPath(const std::string &dir, const std::string &name)
{
    std::vector<std::string> parts;
    if (!splitChildName(name, parts))
        return {};
    std::string path = withSlash(dir);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        path += parts[i];
        if (i + 1 < parts.size())
            path += '/';
    }
    return path;
}

}  // namespace qln
