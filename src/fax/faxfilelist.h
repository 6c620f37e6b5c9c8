// Joining the files of a FaxFileList into one temporary APF file.
//
// The first file's 64-byte header and pages are copied; every further file
// must carry the APF signature and contributes only its pages, adding its
// page count. The header is written back at the end. The result lives in the
// system's temporary directory under a "~AP" name and belongs to the caller,
// who deletes it when the session finishes. On failure nothing is left.
//
// Threading: plain file work on the calling thread.
#pragma once

#include <string>
#include <vector>

namespace qln::fax {

struct FaxFileJoin {
    int error = 0;       // 0, -8001 (not an APF file) or a negative system code
    std::string path;    // the temporary file when error is 0
    int pageCount = 0;
    std::vector<int> filePages; // pages of each file, in order
};

FaxFileJoin concatenateFaxFiles(const std::vector<std::string> &files,
                                const std::string &tempDir = std::string());

// True when the file starts with the APF signature.
bool hasApfSignature(const std::string &path);

} // namespace qln::fax
