// Class 2 and Class 2.0 command and report table, and the parsing of the
// modem's reports (parameter lists, identifications, hang-up and page-status
// codes) at the fixed positions those modems use.
//
// Threading: pure functions and constant tables.
#pragma once

#include <string>

namespace qln::fax::class2 {

// Suffixes; a command is "AT+F" + suffix, a report "+F" + suffix.
struct CommandTable {
    const char *selectClass;        // class command
    const char *modelQuery, *makerQuery, *revisionQuery;
    const char *sendCapabilities;   // own capabilities for sending
    const char *localId;            // local identification
    const char *receiveCapabilities;
    const char *connectReport;
    const char *remoteCapsReport;
    const char *sessionParamsReport;
    const char *callingIdReport;    // calling station (TSI)
    const char *calledIdReport;     // called station (CSI)
    const char *pageStatusReport;
    const char *hangupReport;       // matched anywhere in a line

    std::string command(const char *suffix) const { return std::string("AT+F") + suffix; }
    std::string report(const char *suffix) const { return std::string("+F") + suffix; }
};

// Class 2 bit order of page data: order 0, the one the engine works with
// (data to the modem in line order, data from it with each byte's bits
// reversed).
inline constexpr const char *kBitOrderCommand = "AT+FBOR=0";

const CommandTable &commandsClass2();
const CommandTable &commandsClass20();

// BR code of a speed ("3" for any speed not in the table) and back.
char speedCode(int bps);
int speedFromCode(char code);

// Session or capability parameters read from a report.
struct ReportParams {
    bool fine = false;
    int bps = 9600;
    bool wide = false;
    bool ecm = false;
    int scanCode = 0;
};

// "+FDCS:0,3,0,2,0,0,0,0" and alike: positions 1, 3, 5, 11, 15 of the text
// after the colon (or "=").
ReportParams parseParams(const std::string &line);

// Identification after the colon: characters that are not printable
// blanked, leading quote blanked, trailing characters that are neither
// letters nor digits removed, trimmed, at most 20.
std::string parseRemoteId(const std::string &line);

// Hang-up or page-status code: up to three characters after the colon; a
// first letter A..F gives 100 + the second digit, else the decimal value.
int parseHangupCode(const std::string &line);

// Own-capability parameter lists in the order VR,BR,WD,LN,DF,EC,BF,ST.
std::string sendCapabilities(bool fine, int desiredBps, bool wide, bool ecm);
std::string receiveCapabilities(int desiredBps, bool ecm);

// Page-end bytes after page data: Class 2 writes DLE ETX (the "AT+FET="
// follows later); Class 2.0 writes DLE and ',', ';' or '.'.
std::string pageEndClass20(bool morePages, bool resolutionChanges);
// The digit of "AT+FET=" in Class 2: '0', '1' or '2'.
char postPageClass2(bool morePages, bool resolutionChanges);

} // namespace qln::fax::class2
