// Fax class values, class detection from the modem's "AT+FCLASS=?" reply,
// and the modem initialisation texts used before a session.
//
// Threading: pure functions.
#pragma once

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

// Assembles modem response lines: bytes below 32 are dropped, a carriage
// return ends a non-empty line; a line is cut at 128 characters.
class ResponseAssembler {
public:
    // Returns true when b completed a line, now in line().
    bool feed(unsigned char b);
    const std::string &line() const { return done_; }
    void clear() { cur_.clear(); done_.clear(); }

private:
    std::string cur_;
    std::string done_;
};

} // namespace qln::fax
