// qlnfax entry point: dispatches to the registered commands.
#include "commands.h"

#include "common/runtimedir.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include <QCoreApplication>
#include <QGuiApplication>

namespace {

std::vector<QlnCommandInfo> &registry()
{
    static std::vector<QlnCommandInfo> commands;
    return commands;
}

constexpr const char *kVersionText = "2.9z Build 8";

void printUsage(std::FILE *out)
{
    std::fprintf(out, "usage: qlnfax COMMAND [ARGS...]\n       qlnfax --version\n\ncommands:\n");
    for (const auto &c : qlnCommands())
        std::fprintf(out, "  %-60s %s\n", c.usage.c_str(), c.summary.c_str());
}

} // namespace

QlnCommand::QlnCommand(std::string name, std::string usage, std::string summary, QlnRunner run)
{
    registry().push_back({std::move(name), std::move(usage), std::move(summary), std::move(run)});
}

const std::vector<QlnCommandInfo> &qlnCommands()
{
    auto &r = registry();
    std::sort(r.begin(), r.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
    return r;
}

namespace qlnargs {

bool takeOption(QlnArgs &args, const std::string &name, std::string &value)
{
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == name) {
            if (it + 1 == args.end())
                throw std::runtime_error("option " + name + " needs a value");
            value = *(it + 1);
            args.erase(it, it + 2);
            return true;
        }
        if (it->rfind(name + "=", 0) == 0) {
            value = it->substr(name.size() + 1);
            args.erase(it);
            return true;
        }
    }
    return false;
}

bool takeInt(QlnArgs &args, const std::string &name, int &value, int lo, int hi)
{
    std::string text;
    if (!takeOption(args, name, text))
        return false;
    std::size_t used = 0;
    long v = 0;
    try {
        v = std::stol(text, &used);
    } catch (const std::exception &) {
        used = 0;
    }
    if (used == 0 || used != text.size() || v < lo || v > hi)
        throw std::runtime_error("option " + name + " wants a whole number from " + std::to_string(lo)
                                 + " to " + std::to_string(hi) + ", not \"" + text + "\"");
    value = static_cast<int>(v);
    return true;
}

bool takeFlag(QlnArgs &args, const std::string &name)
{
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

} // namespace qlnargs

int main(int argc, char **argv)
{
    // Fonts and painting (enhanced text, header lines) need a GUI application
    // object; without a display the offscreen platform serves.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY")
        && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A private runtime directory keeps the toolkit from printing a notice
    // about a missing one before the command's own output.
    qln::ensureRuntimeDirectory();
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName("Quillon");
    QCoreApplication::setApplicationVersion(kVersionText);

    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    std::string cmd = argv[1];
    if (cmd == "--version" || cmd == "version") {
        std::printf("qlnfax %s\n", kVersionText);
        return 0;
    }
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        printUsage(stdout);
        return 0;
    }
    // A command named by two words ("fax send") is matched first.
    if (argc >= 3) {
        const std::string pair = cmd + " " + argv[2];
        for (const auto &c : qlnCommands()) {
            if (c.name != pair)
                continue;
            try {
                return c.run(QlnArgs(argv + 3, argv + argc));
            } catch (const std::exception &e) {
                std::fprintf(stderr, "qlnfax %s: %s\n", pair.c_str(), e.what());
                return 2;
            }
        }
    }
    QlnArgs args(argv + 2, argv + argc);
    for (const auto &c : qlnCommands()) {
        if (c.name != cmd)
            continue;
        try {
            return c.run(args);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "qlnfax %s: %s\n", cmd.c_str(), e.what());
            return 2;
        }
    }
    std::fprintf(stderr, "qlnfax: unknown command \"%s\"\n", cmd.c_str());
    printUsage(stderr);
    return 2;
}
