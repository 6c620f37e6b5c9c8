// Feeds arbitrary bytes as QLN.INI: loading the settings, reading keys and
// writing one back must neither crash nor lose the other lines.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "common/ini.h"
#include "common/settings.h"

namespace {

std::string scratchPath()
{
    static std::string path = [] {
        static char dir[] = "/tmp/qlnfuzzini.XXXXXX";
        if (!::mkdtemp(dir))
            std::abort();
        std::atexit([] {
            std::filesystem::remove_all(dir);
        });
        return std::string(dir) + "/QLN.INI";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string path = scratchPath();
    if (std::FILE *f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    qln::Settings s;
    s.load(path);
    s.loadPrintingOptions(path);
    qln::IniFile ini(path);
    for (const auto &section : ini.sections())
        for (const auto &key : ini.keys(section))
            (void)ini.readInteger(section, key, 0);
    try {
        ini.writeString("Modem", "ComPort", "0x2");
        qln::IniFile again(path);
        if (again.readInteger("Modem", "ComPort", -1) != 2)
            std::abort();
        s.save(path);
    } catch (const qln::IniWriteError &) {
    }
    return 0;
}
