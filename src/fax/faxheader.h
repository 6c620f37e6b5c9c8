// Expansion of the tokens of a fax header line.
//
// "$" followed by a letter (case ignored) is replaced: D date, T time, I own
// station identification, F sender, R recipient, S title, N total pages,
// P current page. Any other letter gives an empty text; a "$" not followed by
// a letter is kept as it is.
//
// Threading: pure function.
#pragma once

#include <string>

namespace qln::fax {

struct HeaderValues {
    std::string date;
    std::string time;
    std::string stationId;
    std::string sender;
    std::string recipient;
    std::string title;
    int totalPages = 0;  // cover pages plus file pages
    int currentPage = 0; // the cover page counts as 1, file pages follow
};

std::string expandHeaderTokens(const std::string &line, const HeaderValues &v);

} // namespace qln::fax
