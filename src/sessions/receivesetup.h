// Receive mode's rules that need no modem: the receiver and port set-up
// taken from the settings, the status-line text of a status report, the
// row written for a received fax, and the date and time texts of the
// receive log.
//
// Plain functions; thread-safe.
#pragma once

#include <string>

namespace qln {

struct Settings;

// How the receiver and its port are set up when receive mode starts.
struct ReceiverSetup {
    std::string destinationDir;  // the receive directory of the data directory
    int faxNameMode = 1;         // 2 (month and day) with GlobalUseAlternateNamingRec
    int comNumber = 1;           // ComPort + 1
    int faxClass = 1;            // FaxClassReceive + 1: 1 detect, 2 Class 1, 3 Class 2, 4 Class 2.0
    std::string stationId;       // [User] Fax
    int answerOnRing = 1;
    int desiredBps = 9600;
    bool desiredEcm = false;
    std::string modemInit;       // InitStringReceive, "AT" in front when it holds no "AT"
    int inSize = 8192;           // 16384 with GlobalLargerReceiveBuffer
    int bufferFull = 7372;       // 90 % of inSize, fraction dropped
    int bufferResume = 819;      // 10 % of inSize, fraction dropped
    bool telephony = false;      // UseTAPI
};

// `receiveDir` is the data directory's receive directory.
ReceiverSetup receiverSetupFromSettings(const Settings &s, const std::string &receiveDir);

// The modem initialisation of receive mode: empty stays empty; a text whose
// upper-case form contains "AT" anywhere is taken unchanged, else "AT" is put
// in front.
std::string receiveModemInit(const std::string &initStringReceive);

// The status line for a status report: the status text trimmed;
// "GOT CLASS 2 FHNG CODE" (any case) reads "Hangup successful"; "Getting
// page data" reads "Receiving fax". With a remote station identifier the
// text is followed by " from: " and the identifier trimmed, and while page
// data flows by ", page N" (N not 0) and " (B bytes)" (B above 0). Empty
// when the text contains "ABORT" (any case).
std::string receiveStatusLine(const std::string &statusText, int pageNumber, long bytesDone,
                              const std::string &remoteStation);

// A remote station identifier as it is stored and shown: every byte that is
// not printable ASCII becomes '?', blanks at both ends are trimmed, and at
// most 20 characters are kept. The result is only ever text (never a path
// or a format).
std::string storableStationId(const std::string &remoteStation);

// "YYYYMMDD" and "HH:MM" (24-hour) of the current local time.
std::string todayYyyymmdd();
std::string nowHhmm();

} // namespace qln
