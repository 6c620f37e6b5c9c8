#include "telephony/modemdevices.h"

#include "common/datadir.h"
#include "common/settings.h"
#include "telephony/virtualline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qln {

namespace {

std::mutex g_providerLock;
std::function<DeviceSources()> g_provider;

std::string withoutTrailingSlash(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::vector<std::string> splitDirs(const char *list)
{
    std::vector<std::string> dirs;
    if (!list)
        return dirs;
    std::string s = list;
    size_t pos = 0;
    while (pos <= s.size()) {
        size_t colon = s.find(':', pos);
        std::string item = s.substr(pos, colon == std::string::npos ? std::string::npos : colon - pos);
        if (!item.empty())
            dirs.push_back(withoutTrailingSlash(item));
        if (colon == std::string::npos)
            break;
        pos = colon + 1;
    }
    return dirs;
}

void addSerialById(const std::string &dir, std::vector<ModemDevice> &out)
{
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return;  // no serial devices plugged in: the directory does not exist
    std::vector<ModemDevice> found;
    while (dirent *e = ::readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        std::string path = dir + "/" + e->d_name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
            continue;  // a dangling link or something that is not a device
        found.push_back({e->d_name, path, ModemDevice::Kind::SerialById});
    }
    ::closedir(d);
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
    out.insert(out.end(), found.begin(), found.end());
}

} // namespace

DeviceSources DefaultDeviceSources()
{
    DeviceSources s;
    if (const char *byId = std::getenv("QLN_SERIAL_BY_ID_DIR"); byId && *byId)
        s.byIdDir = byId;
    s.comPorts = settings().portDevices;
    const std::string own = withoutTrailingSlash(dataDirectory() + "vline");
    s.lineDirs.push_back(own);
    for (const auto &d : splitDirs(std::getenv("QLN_VLINE_DIRS")))
        if (std::find(s.lineDirs.begin(), s.lineDirs.end(), d) == s.lineDirs.end())
            s.lineDirs.push_back(d);
    if (!VirtualLine::program().empty())
        s.virtualLineDir = own;
    return s;
}

void SetDeviceSourcesProvider(std::function<DeviceSources()> provider)
{
    std::lock_guard lock(g_providerLock);
    g_provider = std::move(provider);
}

DeviceSources CurrentDeviceSources()
{
    std::function<DeviceSources()> provider;
    {
        std::lock_guard lock(g_providerLock);
        provider = g_provider;
    }
    return provider ? provider() : DefaultDeviceSources();
}

bool VirtualLineRunning(const std::string &dir)
{
    const std::string sock = withoutTrailingSlash(dir) + "/vline.sock";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (sock.size() >= sizeof addr.sun_path)
        return false;
    std::strcpy(addr.sun_path, sock.c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool live = ::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    ::close(fd);
    return live;
}

std::vector<std::string> VirtualLineModems(const std::string &dir)
{
    std::vector<std::string> modems;
    if (!VirtualLineRunning(dir))
        return modems;
    const std::string base = withoutTrailingSlash(dir);
    for (int n = 1; n <= 9; ++n) {
        std::string link = base + "/modem" + std::to_string(n);
        struct stat ls {}, st {};
        if (::lstat(link.c_str(), &ls) != 0 || !S_ISLNK(ls.st_mode))
            break;  // the line numbers its modems without gaps
        if (::stat(link.c_str(), &st) == 0 && S_ISCHR(st.st_mode))
            modems.push_back(link);
    }
    return modems;
}

std::vector<ModemDevice> ListModemDevices(const DeviceSources &sources)
{
    std::vector<ModemDevice> out;
    addSerialById(sources.byIdDir, out);
    for (const auto &[n, path] : sources.comPorts)
        out.push_back({"COM" + std::to_string(n), path, ModemDevice::Kind::ComPort});
    const std::string own = withoutTrailingSlash(sources.virtualLineDir);
    for (const auto &dir : sources.lineDirs) {
        const std::string base = withoutTrailingSlash(dir);
        const auto modems = VirtualLineModems(base);
        for (size_t i = 0; i < modems.size(); ++i) {
            if (!own.empty() && base == own && i == 0)
                continue;  // that one is the virtual modem, listed below
            out.push_back({"Virtual line modem " + std::to_string(i + 1) + " (" + base + ")", modems[i],
                           ModemDevice::Kind::LineModem});
        }
    }
    if (!own.empty())
        out.push_back({kVirtualModemName, own + "/modem1", ModemDevice::Kind::VirtualModem});
    return out;
}

std::vector<std::string> ModemDeviceNames(const DeviceSources &sources)
{
    std::vector<std::string> names;
    for (const auto &d : ListModemDevices(sources))
        names.push_back(d.name);
    return names;
}

std::optional<ModemDevice> FindModemDevice(const std::string &name, const DeviceSources &sources)
{
    for (auto &d : ListModemDevices(sources))
        if (d.name == name)
            return d;
    // Not a listed name: a device file named by its path, a relative one
    // taken from the working directory as every command-line tool does.
    struct stat st {};
    if (name.empty() || ::stat(name.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::nullopt;
    std::string path = name;
    if (path.front() != '/') {
        char cwd[4096];
        if (!::getcwd(cwd, sizeof cwd))
            return std::nullopt;
        path = withoutTrailingSlash(cwd) + "/" + path;
    }
    return ModemDevice{name, path, ModemDevice::Kind::SerialById};
}

bool ResolveModemDevice(const std::string &name, std::string &path, std::string &error)
{
    error.clear();
    const DeviceSources sources = CurrentDeviceSources();
    auto device = FindModemDevice(name, sources);
    if (!device) {
        error = "The modem device \"" + name + "\" is not present";
        return false;
    }
    if (device->kind == ModemDevice::Kind::VirtualModem) {
        VirtualLine &line = VirtualLine::forDirectory(sources.virtualLineDir);
        std::string why;
        if (!line.ensureRunning(why)) {
            error = "The virtual fax line of \"" + name + "\" did not start: " + why;
            return false;
        }
        path = line.modemPath(1);
        return true;
    }
    path = device->path;
    return true;
}

} // namespace qln
