// Named modem devices: the modems a user can pick by name instead of by COM
// number. In list order:
//   - the entries of /dev/serial/by-id (USB and other serial modems), shown
//     by their link names;
//   - the COM ports of the [Ports] section of QLN.INI, named "COM<n>";
//   - the modems of every virtual fax line running in one of the line
//     directories, named "Virtual line modem <n> (<dir>)";
//   - "Virtual modem (test line)": modem 1 of a virtual fax line that the
//     program starts in its data directory when the device is opened (see
//     virtualline.h). Offered only when the program serving the line exists.
//
// Listing reads the file system each time, so a device that was unplugged
// or a line that stopped is gone from the next list. Any thread.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qln {

inline constexpr const char *kVirtualModemName = "Virtual modem (test line)";

struct ModemDevice {
    enum class Kind { SerialById, ComPort, LineModem, VirtualModem };
    std::string name;
    std::string path;  // device file; for the virtual modem its line's modem1
    Kind kind = Kind::SerialById;
};

// Where devices are looked for.
struct DeviceSources {
    std::string byIdDir = "/dev/serial/by-id";
    std::map<int, std::string> comPorts;  // [Ports] COMn=device
    std::vector<std::string> lineDirs;    // directories a virtual line may run in
    std::string virtualLineDir;           // line of the virtual modem; empty: not offered
};

// The program's sources: $QLN_SERIAL_BY_ID_DIR or /dev/serial/by-id, the
// [Ports] section of the loaded settings, the line directories
// <data directory>/vline and those listed in $QLN_VLINE_DIRS (separated by
// ':'), and the virtual modem in <data directory>/vline when qlnfax is found.
DeviceSources DefaultDeviceSources();
// Replaces DefaultDeviceSources() (tests); an empty function restores it.
void SetDeviceSourcesProvider(std::function<DeviceSources()> provider);
// DefaultDeviceSources() or the installed provider's sources.
DeviceSources CurrentDeviceSources();

std::vector<ModemDevice> ListModemDevices(const DeviceSources &sources);
std::vector<std::string> ModemDeviceNames(const DeviceSources &sources);
// The listed device of that name; failing that, when `name` is the path of a
// character device (relative paths from the working directory), that device
// under its absolute path.
std::optional<ModemDevice> FindModemDevice(const std::string &name, const DeviceSources &sources);

// The device file to open for a named device of the current sources; the
// virtual modem's line is started first. False with a message naming the
// device when it is not present or its line does not start.
bool ResolveModemDevice(const std::string &name, std::string &path, std::string &error);

// Whether a virtual fax line answers on its control socket in dir.
bool VirtualLineRunning(const std::string &dir);
// The modem links (dir/modem1 ... dir/modem9) of the line in dir whose
// pseudo-terminals exist, in order; empty when no line runs there.
std::vector<std::string> VirtualLineModems(const std::string &dir);

} // namespace qln
