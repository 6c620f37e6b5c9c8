// Names of received fax files when the application supplies none.
//
// Mode 1: "FAX" + four-digit counter; mode 2: month and day (two digits each)
// + four-digit counter. The counter is the first from 0001 whose file does
// not exist yet; when all 9999 exist the name is "NONAME.APF", or while that
// exists too "NONAME1.APF", "NONAME2.APF" and so on.
//
// Threading: pure functions; the existence test is the caller's.
#pragma once

#include <functional>
#include <string>

namespace qln::fax {

enum FaxNameMode : int { fnCount = 1, fnMonthDay = 2 };

using FileExistsFn = std::function<bool(const std::string &path)>;

// dir must end with a separator (or be empty). month/day are 1-based and only
// used in mode 2. Returns the full path.
std::string receivedFileName(const std::string &dir, int mode, const std::string &ext,
                             int month, int day, const FileExistsFn &exists);

// Same, testing existence on disk and using today's local date.
std::string receivedFileName(const std::string &dir, int mode, const std::string &ext);

// Adds the directory separator when missing ("" stays "").
std::string withTrailingSeparator(const std::string &dir);

} // namespace qln::fax
