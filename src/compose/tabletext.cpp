#include "compose/tabletext.h"

#include "records/codepage.h"

#include <algorithm>
#include <cstdint>

namespace qln::compose {

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is malformed.
size_t sequenceLength(const std::string &s, size_t i)
{
    const auto lead = static_cast<unsigned char>(s[i]);
    size_t n = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

}  // namespace

std::vector<std::string> unstorableCharacters(const std::string &utf8)
{
    std::vector<std::string> out;
    auto add = [&out](const std::string &c) {
        if (std::find(out.begin(), out.end(), c) == out.end())
            out.push_back(c);
    };
    for (size_t i = 0; i < utf8.size();) {
        const size_t n = sequenceLength(utf8, i);
        if (n == 0) {
            add("\xEF\xBF\xBD");  // U+FFFD for the malformed byte
            ++i;
            continue;
        }
        const std::string c = utf8.substr(i, n);
        // A character the code page has comes back as itself; the engine
        // writes any other as "?".
        if (records::fromWindows1252(records::toWindows1252(c)) != c)
            add(c);
        i += n;
    }
    return out;
}

std::string unstorableQuestion(const std::vector<NamedText> &fields, const std::string &what)
{
    std::vector<const char *> names;
    std::vector<std::string> chars;
    for (const NamedText &f : fields) {
        const std::vector<std::string> found = unstorableCharacters(f.text);
        if (found.empty())
            continue;
        names.push_back(f.name);
        for (const std::string &c : found)
            if (std::find(chars.begin(), chars.end(), c) == chars.end())
                chars.push_back(c);
    }
    if (names.empty())
        return {};
    std::string list;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            list += i + 1 == names.size() ? " and " : ", ";
        list += names[i];
    }
    std::string shown;
    for (const std::string &c : chars)
        shown += (shown.empty() ? "" : " ") + c;
    const bool one = names.size() == 1;
    return "The " + list + (one ? " field holds" : " fields hold") +
           " characters that the tables cannot store: " + shown + "\rThey would be stored as \"?\".\rStore " +
           what + " anyway?";
}

}  // namespace qln::compose
