// Replacing a file as a whole: the data goes to a temporary file beside the
// target, which is then renamed over it. Readers see the old file or the new
// one, never a half-written file, and a failure leaves the old file as it
// was.
//
// Thread-safe (no shared state); two writers of the same path race, and the
// last rename wins.
#pragma once

#include <string>

namespace qln {

// Writes |data| to |path| through a temporary file and a rename. An existing
// file keeps its permission bits; a new one gets rw-r--r--. Returns false
// (with the system's reason in |error| when given) and removes the temporary
// file on any failure.
bool writeFileAtomically(const std::string &path, const std::string &data,
                         std::string *error = nullptr);

}  // namespace qln
