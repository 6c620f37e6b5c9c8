#include "fax/faxheader.h"

#include <cctype>

namespace qln::fax {

std::string expandHeaderTokens(const std::string &line, const HeaderValues &v)
{
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c != '$' || i + 1 >= line.size()
            || !std::isalpha(static_cast<unsigned char>(line[i + 1]))) {
            out += c;
            continue;
        }
        char t = static_cast<char>(std::toupper(static_cast<unsigned char>(line[++i])));
        switch (t) {
        case 'D': out += v.date; break;
        case 'T': out += v.time; break;
        case 'I': out += v.stationId; break;
        case 'F': out += v.sender; break;
        case 'R': out += v.recipient; break;
        case 'S': out += v.title; break;
        case 'N': out += std::to_string(v.totalPages); break;
        case 'P': out += std::to_string(v.currentPage); break;
        default: break;
        }
    }
    return out;
}

} // namespace qln::fax
