// qlnfax settings: loads the settings as the program does and prints every
// key with its effective value, then the derived no-modem flag.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include "common/datadir.h"
#include "common/settings.h"

namespace {

int runSettings(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    if (!args.empty())
        throw std::runtime_error("unexpected argument \"" + args.front() + "\"");

    const std::string path = qln::settingsPath();
    qln::Settings s;
    s.load(path);
    s.loadPrintingOptions(path);

    for (const auto &e : s.entries())
        std::printf("%s/%s=%s\n", e.section, e.key, e.value.c_str());
    for (const auto &e : s.printingEntries())
        std::printf("%s/%s=%s\n", e.section, e.key, e.value.c_str());
    for (const auto &[n, dev] : s.portDevices)
        std::printf("Ports/COM%d=%s\n", n, dev.c_str());
    std::printf("NoModem=%d\n", s.noModem ? 1 : 0);
    return 0;
}

const QlnCommand reg{"settings", "settings [--data-dir DIR]",
                     "print every setting with its effective value", runSettings};

}  // namespace
