#include "printqueue/printjob.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace qln::printqueue {

namespace {

constexpr std::size_t kFaxNumberChars = 25;
constexpr std::size_t kSubjectChars = 50;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool dialCharacter(char c)
{
    if (c >= '0' && c <= '9')
        return true;
    switch (c) {
    case ' ': case '+': case '-': case '(': case ')': case '.': case ',': case '*': case '#':
    case 'P': case 'p': case 'T': case 't': case 'W': case 'w':
        return true;
    default:
        return false;
    }
}

// Blanks folded to one (tabs and line ends count as blanks), other control
// characters dropped, ends trimmed.
std::string cleanText(const std::string &text)
{
    std::string out;
    bool blank = false;
    for (unsigned char c : text) {
        if (c == ' ' || (c >= '\t' && c <= '\r')) {
            blank = true;
            continue;
        }
        if (c < 0x20 || c == 0x7f)
            continue;
        if (blank && !out.empty())
            out += ' ';
        blank = false;
        out += static_cast<char>(c);
    }
    return out;
}

// Cuts at a character boundary of UTF-8 text.
std::string cutUtf8(const std::string &text, std::size_t chars)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xc0) != 0x80) {
            if (count == chars)
                return text.substr(0, i);
            ++count;
        }
    }
    return text;
}

} // namespace

std::map<std::string, std::string> parseJobOptions(const std::string &text)
{
    std::map<std::string, std::string> options;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        while (i < n && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        if (i >= n)
            break;
        std::string name;
        while (i < n && text[i] != '=' && !std::isspace(static_cast<unsigned char>(text[i])))
            name += text[i++];
        if (i < n && text[i] == '=') {
            ++i;
            std::string value;
            char quote = 0;
            while (i < n) {
                const char c = text[i];
                if (quote) {
                    if (c == quote) {
                        quote = 0;
                        ++i;
                        continue;
                    }
                } else if (c == '\'' || c == '"') {
                    quote = c;
                    ++i;
                    continue;
                } else if (std::isspace(static_cast<unsigned char>(c))) {
                    break;
                }
                if (c == '\\' && i + 1 < n)
                    ++i;
                value += text[i++];
            }
            options[lower(name)] = value;
        } else if (!name.empty()) {
            name = lower(name);
            if (name.size() > 2 && name.compare(0, 2, "no") == 0)
                options[name.substr(2)] = "false";
            else
                options[name] = "true";
        }
    }
    return options;
}

PrintJobRequest requestFromOptions(const std::string &optionsText)
{
    const auto options = parseJobOptions(optionsText);
    PrintJobRequest request;
    if (auto it = options.find("phone"); it != options.end()) {
        const std::string phone = cleanText(it->second);
        // A control character is refused, not dropped: none belongs in a
        // dial string.
        const bool control = std::any_of(it->second.begin(), it->second.end(),
                                         [](unsigned char c) { return c < 0x20 || c == 0x7f; });
        if (control || !std::all_of(phone.begin(), phone.end(), dialCharacter))
            throw std::runtime_error("phone=" + phone + " is not a fax number (digits, blanks and + - ( ) , * # only)");
        if (phone.size() > kFaxNumberChars)
            throw std::runtime_error("phone=" + phone + " is longer than " + std::to_string(kFaxNumberChars) +
                                     " characters");
        request.phone = phone;
    }
    if (auto it = options.find("to"); it != options.end())
        request.recipient = cutUtf8(cleanText(it->second), 35);
    if (auto it = options.find("send"); it != options.end()) {
        const std::string v = lower(it->second);
        if (v == "now" || v == "yes" || v == "true")
            request.sendNow = true;
        else if (v != "no" && v != "false" && v != "later")
            throw std::runtime_error("send=" + it->second + " is not understood (send=now or send=later)");
    }
    return request;
}

std::string subjectFromTitle(const std::string &title)
{
    std::string subject = cutUtf8(cleanText(title), kSubjectChars);
    while (!subject.empty() && subject.back() == ' ')
        subject.pop_back();
    return subject.empty() ? "Printed document" : subject;
}

std::string userDataDirectory(const std::string &home)
{
    std::string dir = home;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir + "/.local/share/Quillon/";
}

} // namespace qln::printqueue
