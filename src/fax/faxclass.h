// Fax class values, class detection from the modem's "AT+FCLASS=?" reply,
// and the modem initialisation texts used before a session.
//
// Threading: pure functions.
#pragma once

#include <cstddef>
#include <string>

namespace qln::fax {

enum TFaxClass : int { fcUnknown = 0, fcDetect, fcClass1, fcClass2, fcClass2_0 };

// Bits of ClassesSupported.
enum : int { kClass1Bit = 4, kClass2Bit = 8, kClass20Bit = 16 };

struct ClassDetection {
    int supported = 0;                          // kClass*Bit set
    TFaxClass best = fcUnknown;                 // fcUnknown: none supported
    std::string class1Command = "AT+FCLASS=1";  // or "AT+FCLASS=1.0"
};

// reply: the information line of "AT+FCLASS=?" (e.g. "0,1,2,2.0" or
// "+FCLASS: (0,1.0)").
ClassDetection parseClassList(const std::string &reply);

// "ATE0Q0V1X4S0=0S2=43" with the X digit from BlindDial and DetectBusy.
std::string defaultInitString(bool blindDial, bool detectBusy);

// ModemInit as stored: at most 40 characters, upper-case, "AT" prefixed when
// missing. Empty stays empty.
std::string normalizeModemInit(const std::string &text);

// A station identification as it may be shown, logged and stored: control
// bytes, DEL and bytes above 0x7E become blanks, so that no identification
// can split or fake a line of a log, report or terminal.
std::string printableStationId(const std::string &raw);

// Assembles modem response lines: bytes below 32 are dropped, a carriage
// return ends a non-empty line; a line is cut at 128 characters. Inside a
// double-quoted text (the identification in a report such as +FTSI:"...")
// of up to kMaxQuotedText characters, a carriage return, a line feed or any
// other control byte is part of the text, kept as a blank: a far end's
// identification cannot end the report early or forge a line after it.
// True when the line, blanks at both ends aside, is the result code (letter
// case ignored): a modem's answer to a set-up command, never a longer line
// that only holds the code ("BOOK" is not "OK").
bool isResultLine(const std::string &line, const char *code);

class ResponseAssembler {
public:
    static constexpr std::size_t kMaxQuotedText = 21; // 20 characters and the closing quote
    // Returns true when b completed a line, now in line().
    bool feed(unsigned char b);
    const std::string &line() const { return done_; }
    void clear()
    {
        cur_.clear();
        done_.clear();
        inQuote_ = false;
    }

private:
    std::string cur_;
    std::string done_;
    bool inQuote_ = false;
    std::size_t quoted_ = 0; // characters taken since the opening quote
};

} // namespace qln::fax
