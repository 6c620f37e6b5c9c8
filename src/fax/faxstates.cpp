#include "fax/faxstates.h"

namespace qln::fax {

namespace {

constexpr const char *kSendNames[tfStateCount] = {
    "tfNone", "tfGetEntry", "tfInit", "tf1Init1", "tf2Init1", "tf2Init1A", "tf2Init1B",
    "tf2Init2", "tf2Init3", "tfDial", "tfRetryWait", "tf1Connect", "tf1SendTSI", "tf1TSIRespns",
    "tf1DCSRspns", "tf1TrainStrt", "tf1TrainFnsh", "tf1WaitCFR", "tf1WaitPgCn", "tf2Connect",
    "tf2GetParams", "tfWaitXon", "tfWaitFrHead", "tfSndPgeHdr", "tfOpenCover", "tfSendCover",
    "tfPrepPage", "tfSendPage", "tfDrainPage", "tf1PageEnd", "tf1PrepEOP", "tf1SendEOP",
    "tf1WaitMPS", "tf1WaitEOP", "tf1WaitMCF", "tf1SendDCN", "tf1Hangup", "tf1WaitHngp",
    "tf2SendEOP", "tf2WaitFPTS", "tf2WaitFET", "tf2WaitPgOK", "tf2SndNwPrm", "tf2NextPage",
    "tf20ChckPg", "tfClose", "tfCompleteOK", "tfAbort", "tfDone",
};

constexpr const char *kReceiveNames[rfStateCount] = {
    "rfNone", "rfInit", "rf1Init1", "rf2Init1", "rf2Init1A", "rf2Init1B", "rf2Init2",
    "rf2Init3", "rfWaiting", "rfAnswer", "rf1SendCSI", "rf1SendDIS", "rf1CollFrms",
    "rf1CollRtry1", "rf1CollRtry2", "rf1StrtTrn", "rf1CollTrn", "rf1Timeout", "rf1Retrain",
    "rf1FinTrn", "rf1SendCFR", "rf1WtPgCnnct", "rf2ValCnnct", "rf2GtSndID", "rf2GtCnnct",
    "rfStartPage", "rfGtPgDta", "rf1FinPage", "rf1WaitEOP", "rf1WritePage", "rf1SendMCF",
    "rf1WaitDCN", "rf1WtHngp", "rf2GtPgRslt", "rf2GetFHNG", "rfComplete", "rfAbort", "rfDone",
    "rf1SendCRP",
};

} // namespace

const char *sendStateName(int s) { return s >= 0 && s < tfStateCount ? kSendNames[s] : "?"; }
const char *receiveStateName(int s)
{
    return s >= 0 && s < rfStateCount ? kReceiveNames[s] : "?";
}

std::string faxStateLogName(int code)
{
    return code >= kReceiveStateLogBase ? receiveStateName(code - kReceiveStateLogBase)
                                        : sendStateName(code);
}

} // namespace qln::fax
