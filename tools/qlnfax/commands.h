// Command table of qlnfax, the command-line companion of Quillon.
//
// Each command lives in its own cmd_*.cpp and registers itself with a static
// QlnCommand object:
//
//     static QlnCommand reg{"settings", "settings [--data-dir DIR]",
//                           "print every setting with its effective value",
//                           runSettings};
//
// The runner gets the arguments after the command name and returns the
// process exit status (0 on success). A name of two words ("fax send") is
// matched against the first two arguments before any one-word name.
#pragma once

#include <functional>
#include <string>
#include <vector>

using QlnArgs = std::vector<std::string>;
using QlnRunner = std::function<int(const QlnArgs &)>;

struct QlnCommandInfo {
    std::string name;
    std::string usage;
    std::string summary;
    QlnRunner run;
};

// Registration object; construct one at namespace scope per command.
struct QlnCommand {
    QlnCommand(std::string name, std::string usage, std::string summary, QlnRunner run);
};

// All registered commands, sorted by name.
const std::vector<QlnCommandInfo> &qlnCommands();

// Small helpers shared by the commands' argument parsing.
namespace qlnargs {
// Removes "--name VALUE" (or "--name=VALUE") from args; returns true and sets
// value when present. Throws std::runtime_error when the value is missing.
bool takeOption(QlnArgs &args, const std::string &name, std::string &value);
// takeOption for a whole number from lo to hi: false when absent (value
// unchanged); throws std::runtime_error naming the option and its range when
// the value is not such a number.
bool takeInt(QlnArgs &args, const std::string &name, int &value, int lo, int hi);
// Removes a bare "--name" flag from args; returns whether it was present.
bool takeFlag(QlnArgs &args, const std::string &name);
} // namespace qlnargs

// Table text made safe to print: control bytes (C0, DEL and the C1
// controls), a backslash and a double quote are escaped as `info` escapes a
// station identifier (\xNN, \\, \"), so a stored escape sequence can neither
// drive the terminal nor a carriage return overprint a line; other UTF-8
// characters are printed as they are.
std::string printableText(const std::string &utf8);
