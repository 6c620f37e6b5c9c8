// The remote fax machine: spandsp's T.30 fax terminal on the audio line.
//
// As the called party it answers and receives into a TIFF file; as the
// calling party it sends a TIFF file. The outcome (completion code, pages,
// remote identification, bit rate) is known once the terminal reaches the
// end of its procedure (finished()), or after terminate() when the call is
// cut short. Used by the server's single thread.
#pragma once

#include "vline/line_endpoint.h"

#include <cstdint>
#include <string>

struct fax_state_s;

namespace qln::vline {

struct RemoteFaxOptions {
    std::string name = "remote machine";  // in the line's log
    std::string tag = "remote";           // prefix of its own log lines
    std::string ident = "100";  // our station identification (CSI/TSI)
    bool ecm = false;           // offer error correction
    bool only1d = false;        // without ECM: offer 1-D coding only (as simple hosts do)
    bool trace = false;         // spandsp protocol log into vline.log
    bool hangUpAfterMcf = false; // sending: hang up on the MCF to EOP, without DCN
};

struct FaxOutcome {
    int code = -1;        // spandsp completion code, 0 = success
    std::string text;     // its text
    int pages = 0;        // pages sent or received
    int bitRate = 0;
    std::string remoteId; // the other station's identification
    std::string rawRemoteId; // as the terminal decoded it, blanks kept
    bool ecm = false;
};

class RemoteFax : public LineEndpoint {
public:
    // calling: true to send txFile, false to answer and receive into rxFile.
    RemoteFax(bool calling, const std::string &file, const RemoteFaxOptions &opt);
    ~RemoteFax() override;

    void lineTx(int16_t *amp, int len) override;
    void lineRx(int16_t *amp, int len) override;
    std::string lineName() const override { return name_; }
    FastCarrier fastCarrier() const override;

    bool finished() const { return finished_; }
    // Ends the procedure now (call dropped); finished() holds afterwards.
    void terminate();
    const FaxOutcome &outcome() const { return outcome_; }
    bool calling() const { return calling_; }

    void phaseE(int code);  // spandsp callbacks
    void frame(bool incoming, const uint8_t *msg, int len);

private:
    fax_state_s *fax_ = nullptr;
    bool calling_;
    std::string name_;
    std::string tag_;
    bool finished_ = false;
    FaxOutcome outcome_;
    bool hangUpAfterMcf_ = false;
    bool sentEop_ = false;
    bool hangUpNow_ = false;
};

} // namespace qln::vline
