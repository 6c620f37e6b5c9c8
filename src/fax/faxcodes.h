// Status, log and error codes of fax sessions, and their texts.
//
// Sessions report progress as status codes 4801..4843, history events as log
// codes 1..7 and failures as negative error codes (0 is success). The texts
// are the ones the fax components show to the user.
//
// Threading: pure functions over constant tables; safe from any thread.
#pragma once

#include <string>

namespace qln::fax {

// Status codes (StatusCode of the fax components).
enum : int {
    fpInitModem = 4801,      // initialising the modem
    fpDialing = 4802,
    fpBusyWait = 4803,       // busy, waiting for the redial
    fpSendPage = 4804,
    fpSendPageStatus = 4805, // sending the post-page signal
    fpPageError = 4806,
    fpPageOK = 4807,
    fpConnecting = 4808,
    fpWaiting = 4820,        // waiting for an incoming call
    fpNoConnect = 4821,
    fpAnswer = 4822,
    fpIncoming = 4823,
    fpGetPage = 4824,
    fpGetPageResult = 4825,
    fpCheckMorePages = 4826,
    fpGetHangup = 4827,
    fpGotHangup = 4828,
    fpSwitchModes = 4830,    // text only; no session reports it
    fpMonitorEnabled = 4831, // text only
    fpMonitorDisabled = 4832,// text only
    fpSessionParams = 4840,
    fpGotRemoteID = 4841,
    fpCancel = 4842,
    fpFinished = 4843,
};

// Log codes (OnFaxLog and the history file).
enum FaxLogCode : int {
    lfaxNone = 0,
    lfaxTransmitStart = 1,
    lfaxTransmitOk = 2,
    lfaxTransmitFail = 3,
    lfaxReceiveStart = 4,
    lfaxReceiveOk = 5,
    lfaxReceiveSkip = 6,
    lfaxReceiveFail = 7,
};

// Error codes, positive as listed; sessions report them negated.
enum : int {
    ecDeviceWrite = 160,          // received page data only partly written
    ecNoMoreTriggers = 5001,
    ecCancelRequested = 6005,
    ecTimeout = 6006,
    ecNoFilename = 6010,
    ecFileRejected = 6011,
    ecFaxBadFormat = 8001,        // not an APF file
    ecFontFileNotFound = 8052,
    ecFaxBadMachine = 8060,       // remote cannot take resolution or width
    ecFaxBadModemResult = 8061,
    ecFaxTrainError = 8062,
    ecFaxInitError = 8063,
    ecFaxBusy = 8064,
    ecFaxVoiceCall = 8065,
    ecFaxDataCall = 8066,
    ecFaxNoDialTone = 8067,
    ecFaxNoFaxRemote = 8068,
    ecFaxSessionError = 8069,
    ecFaxPageError = 8070,
    ecFaxNoAnswer = 8074,
    ecComPortNotAssigned = 1005,
    ecOutputBufferTooSmall = 3006,
};

// Text of a status code 4801..4843; empty for any other value.
std::string faxStatusText(int code);

// Text of an error code (sign ignored). Codes without a text of their own
// fall back to the system's message for that number.
std::string faxErrorText(int code);

} // namespace qln::fax
