// The data directory and safe, case-insensitive names inside it.
//
// The data directory holds the tables, QLN.INI, the logs, the temporary
// rendering files and the "receive" directory. It is chosen as follows:
//   1. the override set by setDataDirectoryOverride() (the --data-dir option);
//   2. the environment variable QLN_DATA_DIR;
//   3. the directory of the program file, when it is writable and the
//      program is not an installed one (no ../share/quillon beside it);
//   4. the per-user location $XDG_DATA_HOME/Quillon/ (default
//      ~/.local/share/Quillon/), created when missing.
// It is always returned with a trailing '/'.
//
// Names inside it are matched without regard to case and may use '\' as a
// separator, so "RECEIVE\FAX0001.APF" finds "receive/fax0001.apf". A name
// taken from a table field never reaches outside the directory it names a
// file in (safeChildPath).
//
// All functions are safe to call from any thread.
#pragma once

#include <string>

namespace qln {

std::string dataDirectory();
// Sets (or, with an empty path, clears) the override of rule 1.
void setDataDirectoryOverride(const std::string &path);

// The settings file: an existing entry of the data directory named QLN.INI
// in any case ("qln.ini" is used as it is), else dataDirectory() + "QLN.INI".
std::string settingsPath();

// The receive directory with a trailing '/': an existing "receive" in any
// case, else dataDirectory() + "receive/" (the name it is created with).
std::string receiveDirectory();

// The path of the existing entry dir/name, every component of name matched
// without regard to case ('\' and '/' both separate components). Empty when
// nothing matches or the name would leave dir.
std::string findNameNoCase(const std::string &dir, const std::string &name);

// Like findNameNoCase, but for a name that may not exist yet: components
// that exist are taken with their stored spelling, the rest as given. Empty
// when the name would leave dir. Use it for files about to be created.
std::string resolveNameNoCase(const std::string &dir, const std::string &name);

// dir joined with name ('\' turned into '/'), or empty when the name is
// empty, absolute ("/x", "\x", "C:x"), contains "..", a NUL byte, or names
// dir itself.
std::string safeChildPath(const std::string &dir, const std::string &name);

// Directory of the running program file, with a trailing '/'.
std::string programDirectory();

}  // namespace qln
