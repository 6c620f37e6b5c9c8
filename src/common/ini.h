// INI file reader and writer with the semantics of the classic private
// profile functions.
//
// Section and key names are matched without regard to case; lines that are
// neither a section header nor a key (comments, blank lines, junk) are kept
// untouched when the file is written back, and so are the sections and keys
// the program does not know. When a section or key occurs twice, the first
// occurrence is the one read and written.
//
// Text values are read into a buffer of 1024 characters: a value (or default)
// longer than 1023 bytes is cut there. Integers are written in decimal and
// read as decimal, or as hexadecimal when the value is longer than two
// characters and starts with "0x" or "0X"; anything else gives the default.
// Booleans are written as "1" and "0" and read as integers (non-zero = true).
//
// An IniFile object reads the file once, at construction (a missing or
// unreadable file reads as empty; that is not an error). Every write updates
// the object and, unless deferred with beginUpdate(), replaces the file at
// once through a temporary file and a rename, so the file is never left
// half-written. A failed write throws IniWriteError("Unable to write to
// <path>").
//
// Not thread-safe: one object is used by one thread at a time.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace qln {

// Raised when the settings file cannot be written.
class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const std::string &path);
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

class IniFile {
public:
    // Size of the text buffer values are read into (including its terminator).
    static constexpr std::size_t kTextBufferSize = 1024;

    explicit IniFile(std::string path);

    const std::string &path() const { return path_; }

    // Reads the file again, dropping the object's state (including deferred
    // writes that were not flushed).
    void reload();

    std::string readString(const std::string &section, const std::string &key,
                           const std::string &defaultValue) const;
    int readInteger(const std::string &section, const std::string &key, int defaultValue) const;
    bool readBool(const std::string &section, const std::string &key, bool defaultValue) const;

    void writeString(const std::string &section, const std::string &key, const std::string &value);
    void writeInteger(const std::string &section, const std::string &key, int value);
    void writeBool(const std::string &section, const std::string &key, bool value);

    bool sectionExists(const std::string &section) const;
    bool keyExists(const std::string &section, const std::string &key) const;
    // Section names in file order (first occurrence of each, as spelt there).
    std::vector<std::string> sections() const;
    // Key names of the first occurrence of a section, in file order.
    std::vector<std::string> keys(const std::string &section) const;

    // Removes a key (first occurrence) or a whole section (every occurrence).
    void deleteKey(const std::string &section, const std::string &key);
    void eraseSection(const std::string &section);

    // Between beginUpdate() and endUpdate() writes only change the object;
    // endUpdate() writes the file once (and throws IniWriteError on failure).
    void beginUpdate();
    void endUpdate();

    // Parses an integer value by the rules above; false when it is not one.
    static bool parseInteger(const std::string &text, int &value);

private:
    int findSection(const std::string &section) const;  // index of header line or -1
    int findKey(int sectionLine, const std::string &key) const;
    void changed();
    void flush();

    std::string path_;
    std::vector<std::string> lines_;
    std::string eol_ = "\n";
    bool finalEol_ = true;
    int updateDepth_ = 0;
    bool dirty_ = false;
};

}  // namespace qln
