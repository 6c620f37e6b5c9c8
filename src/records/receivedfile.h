// The image file of a received fax: FAXFILE names a file in the receive
// directory ("receive" in the data directory), both found without regard to
// case. A FAXFILE that is anything but a plain file name never leads to a
// file elsewhere. Used when a received fax is deleted, from the main window
// and from the clean-up. Plain functions; any thread.
#pragma once

#include <string>

namespace qln::records {

struct ReceivedFileTarget {
    enum class Kind {
        None,     // FAXFILE is blank: there is no file to remove
        Refused,  // FAXFILE is not a plain file name ("/", "\\", ":", "..",
                  // "."): no file is removed, whatever it names
        File,     // the file is `path`
    };
    Kind kind = Kind::None;
    std::string path;
};

// Where the file of a received fax is (it need not exist).
ReceivedFileTarget LocateReceivedFile(const std::string &dataDir, const std::string &faxFile);

enum class ReceivedFileRemoval {
    NoFile,       // FAXFILE blank
    Removed,
    AlreadyGone,  // not an error
    Refused,      // not a plain name, or names a directory or device
    Failed,       // the file is there but cannot be removed
};

// Removes the file of a received fax. A symbolic link is removed itself,
// never its target. `error` gets a one-line reason for Refused and Failed.
ReceivedFileRemoval RemoveReceivedFile(const std::string &dataDir, const std::string &faxFile,
                                       std::string &error);

} // namespace qln::records
