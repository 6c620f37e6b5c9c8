// INI reader/writer with private-profile semantics.
#include "common/ini.h"

#include "common/atomicfile.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace qln {

namespace {

// Blanks and tabs surround names and values; the profile functions strip them.
std::string strip(const std::string &s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

bool equalNoCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y && std::tolower(x) != std::tolower(y))
            return false;
    }
    return true;
}

// Section name of a header line "[name]", or false when the line is none.
bool sectionOf(const std::string &line, std::string &name)
{
    std::string t = strip(line);
    if (t.size() < 2 || t[0] != '[')
        return false;
    std::size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    name = strip(t.substr(1, close - 1));
    return true;
}

// Key and value of a "key=value" line; comments (';' or '#') are no keys.
bool keyOf(const std::string &line, std::string &key, std::string *value)
{
    std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    std::string k = strip(line.substr(0, eq));
    if (k.empty() || k[0] == ';' || k[0] == '#' || k[0] == '[')
        return false;
    key = k;
    if (value) {
        std::string v = strip(line.substr(eq + 1));
        // A value enclosed in matching quotes is read without them.
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        *value = v;
    }
    return true;
}

// Cuts a value to what fits the text buffer, never inside a UTF-8 sequence.
std::string cutToBuffer(std::string s)
{
    if (s.size() <= IniFile::kTextBufferSize - 1)
        return s;
    std::size_t n = IniFile::kTextBufferSize - 1;
    std::size_t lead = n;
    while (lead > 0 && lead > n - 4 && (static_cast<unsigned char>(s[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead > 0) {
        unsigned char c = static_cast<unsigned char>(s[lead - 1]);
        std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (len > 1 && lead - 1 + len > n)
            n = lead - 1;  // the sequence would be cut: leave it out whole
    }
    s.resize(n);
    return s;
}

}  // namespace

IniWriteError::IniWriteError(const std::string &path)
    : std::runtime_error("Unable to write to " + path), path_(path)
{
}

IniFile::IniFile(std::string path) : path_(std::move(path)) { reload(); }

void IniFile::reload()
{
    lines_.clear();
    eol_ = "\n";
    finalEol_ = true;
    dirty_ = false;
    std::ifstream in(path_, std::ios::binary);
    if (!in)
        return;
    std::ostringstream buf;
    buf << in.rdbuf();
    const std::string data = buf.str();
    if (data.empty())
        return;
    std::size_t pos = 0;
    bool firstEol = true;
    while (pos < data.size()) {
        std::size_t nl = data.find('\n', pos);
        std::string line;
        if (nl == std::string::npos) {
            line = data.substr(pos);
            finalEol_ = false;
            pos = data.size();
        } else {
            line = data.substr(pos, nl - pos);
            pos = nl + 1;
        }
        bool cr = !line.empty() && line.back() == '\r';
        if (cr)
            line.pop_back();
        if (firstEol && nl != std::string::npos) {
            eol_ = cr ? "\r\n" : "\n";
            firstEol = false;
        }
        lines_.push_back(std::move(line));
    }
}

int IniFile::findSection(const std::string &section) const
{
    std::string name;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (sectionOf(lines_[i], name) && equalNoCase(name, strip(section)))
            return static_cast<int>(i);
    return -1;
}

int IniFile::findKey(int sectionLine, const std::string &key) const
{
    std::string name, k;
    for (std::size_t i = sectionLine + 1; i < lines_.size(); ++i) {
        if (sectionOf(lines_[i], name))
            break;
        if (keyOf(lines_[i], k, nullptr) && equalNoCase(k, strip(key)))
            return static_cast<int>(i);
    }
    return -1;
}

std::string IniFile::readString(const std::string &section, const std::string &key,
                                const std::string &defaultValue) const
{
    int s = findSection(section);
    if (s >= 0) {
        int k = findKey(s, key);
        if (k >= 0) {
            std::string name, value;
            keyOf(lines_[k], name, &value);
            return cutToBuffer(value);
        }
    }
    return cutToBuffer(defaultValue);
}

bool IniFile::parseInteger(const std::string &textIn, int &value)
{
    std::string text = strip(textIn);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        // Hexadecimal: up to 32 bits, taken as a signed 32-bit value.
        unsigned long long v = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            char c = text[i];
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else
                return false;
            v = v * 16 + d;
            if (v > 0xFFFFFFFFull)
                return false;
        }
        value = static_cast<int>(static_cast<std::uint32_t>(v));
        return true;
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL)
            return false;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL || v < -2147483648LL)
        return false;
    value = static_cast<int>(v);
    return true;
}

int IniFile::readInteger(const std::string &section, const std::string &key, int defaultValue) const
{
    int value;
    if (parseInteger(readString(section, key, ""), value))
        return value;
    return defaultValue;
}

bool IniFile::readBool(const std::string &section, const std::string &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const std::string &sectionIn, const std::string &keyIn,
                          const std::string &valueIn)
{
    const std::string section = strip(sectionIn), key = strip(keyIn);
    // A line break inside a value would turn into a line of its own.
    std::string value = valueIn;
    for (char &c : value)
        if (c == '\n' || c == '\r')
            c = ' ';
    const std::string line = key + "=" + value;
    int s = findSection(section);
    if (s < 0) {
        if (!lines_.empty() && !strip(lines_.back()).empty())
            lines_.push_back("");
        lines_.push_back("[" + section + "]");
        lines_.push_back(line);
    } else {
        int k = findKey(s, key);
        if (k >= 0) {
            // Keep the key as it is spelt in the file.
            std::string stored;
            keyOf(lines_[k], stored, nullptr);
            lines_[k] = stored + "=" + value;
        } else {
            // After the section's last non-blank line.
            std::size_t end = s + 1;
            std::string name;
            while (end < lines_.size() && !sectionOf(lines_[end], name))
                ++end;
            while (end > static_cast<std::size_t>(s) + 1 && strip(lines_[end - 1]).empty())
                --end;
            lines_.insert(lines_.begin() + end, line);
        }
    }
    changed();
}

void IniFile::writeInteger(const std::string &section, const std::string &key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(const std::string &section, const std::string &key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

bool IniFile::sectionExists(const std::string &section) const { return findSection(section) >= 0; }

bool IniFile::keyExists(const std::string &section, const std::string &key) const
{
    int s = findSection(section);
    return s >= 0 && findKey(s, key) >= 0;
}

std::vector<std::string> IniFile::sections() const
{
    std::vector<std::string> out;
    std::string name;
    for (const auto &l : lines_) {
        if (!sectionOf(l, name))
            continue;
        bool seen = false;
        for (const auto &o : out)
            seen = seen || equalNoCase(o, name);
        if (!seen)
            out.push_back(name);
    }
    return out;
}

std::vector<std::string> IniFile::keys(const std::string &section) const
{
    std::vector<std::string> out;
    int s = findSection(section);
    if (s < 0)
        return out;
    std::string name, k;
    for (std::size_t i = s + 1; i < lines_.size() && !sectionOf(lines_[i], name); ++i) {
        if (!keyOf(lines_[i], k, nullptr))
            continue;
        bool seen = false;
        for (const auto &o : out)
            seen = seen || equalNoCase(o, k);
        if (!seen)
            out.push_back(k);
    }
    return out;
}

void IniFile::deleteKey(const std::string &section, const std::string &key)
{
    int s = findSection(section);
    if (s < 0)
        return;
    int k = findKey(s, key);
    if (k < 0)
        return;
    lines_.erase(lines_.begin() + k);
    changed();
}

void IniFile::eraseSection(const std::string &section)
{
    bool any = false;
    for (int s = findSection(section); s >= 0; s = findSection(section)) {
        std::size_t end = s + 1;
        std::string name;
        while (end < lines_.size() && !sectionOf(lines_[end], name))
            ++end;
        lines_.erase(lines_.begin() + s, lines_.begin() + end);
        any = true;
    }
    if (any)
        changed();
}

void IniFile::beginUpdate() { ++updateDepth_; }

void IniFile::endUpdate()
{
    if (updateDepth_ > 0 && --updateDepth_ == 0 && dirty_)
        flush();
}

void IniFile::changed()
{
    dirty_ = true;
    if (updateDepth_ == 0)
        flush();
}

void IniFile::flush()
{
    std::string data;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        data += lines_[i];
        if (i + 1 < lines_.size() || finalEol_)
            data += eol_;
    }
    // Replaced as a whole, so a failure never leaves a half-written file.
    if (!writeFileAtomically(path_, data))
        throw IniWriteError(path_);
    dirty_ = false;
}

}  // namespace qln
