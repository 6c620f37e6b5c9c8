// The decisions of the fax status window (TStandardFaxDisplay) apart from
// the widget: the text of every label from the fax component's run-time
// facts, the elapsed-time clock of a connection, the countdown while a busy
// number waits for its redial, and the page progress.
//
// A sender hands a page to the port long before the modem has played it
// out (the port's ring, the system's and the modem's buffers hold many
// seconds of it), and it moves its page number on to the next page as soon
// as the last byte is handed over. So the current page, its length and the
// bytes transferred describe the page on the line: the page whose data
// started with the status "Sending page data", its bytes on the line
// estimated from the time since then at the negotiated speed, never more
// than the sender has handed to the port, and complete only when the modem
// reports the page sent.
//
// Time is passed in, so tests run the clocks without waiting. Plain values;
// user-interface thread (the facts are read from the fax component there).
#pragma once

#include <chrono>
#include <string>

namespace qln {

namespace fax {
class TApdAbstractFax;
}

// What the window shows of a fax component at one status report.
struct FaxStatusFacts {
    bool sending = true;
    std::string phoneNumber;
    std::string faxFile;
    std::string coverFile;
    std::string remoteId;
    int pageCount = 0;
    int dialAttempt = 0;
    int lineSpeed = 0;
    bool fine = false;
    bool wide = false;
    bool errorCorrection = false;
    int pageNumber = 0;
    long pageBytes = 0;
    long bytesDone = 0;       // of the page, handed to the port and no longer queued there
    long outputQueued = -1;   // bytes in the port's output ring; -1 unknown
    int statusCode = 0;
    int dialRetryWait = 60;  // seconds of the busy countdown

    // Reads the facts of a sending or receiving component.
    static FaxStatusFacts of(const fax::TApdAbstractFax &fax);
};

// The texts beside the labels, in the order the window shows them.
struct FaxStatusTexts {
    std::string phoneNumber;       // "Phone number:"
    std::string totalPages;        // "Total pages:"
    std::string dialAttempt;       // "Dial attempt:"
    std::string remoteId;          // "Remote ID:"
    std::string connectBps;        // "Connect BPS:"
    std::string resolution;        // "Resolution:" standard / high
    std::string width;             // "Width:" 1728 / 2048
    std::string errorControl;      // "Error control:" off / on
    std::string currentPage;       // "Current page:" number or "<cover page>"
    std::string pageLength;        // "Page length:"
    std::string bytesTransferred;  // "Bytes transferred:"
    std::string elapsed;           // "Elapsed time:"
    std::string status;            // "Status:"
    std::string faxFileName;       // hidden in the window
    std::string coverFileName;     // hidden in the window
    std::string progressCaption;   // "Page progress:" or "Page progress: N/A"
    bool progressVisible = true;
    int progress = 0;              // 0..100
};

class FaxStatusView {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kFileNameChars = 20;

    // A status report of the component: starts and stops the clocks.
    void report(const FaxStatusFacts &facts, Clock::time_point now);
    // The texts for the last report, with the clocks read at `now`.
    FaxStatusTexts texts(Clock::time_point now) const;
    // Forgets the clocks (a new session).
    void reset();

    bool elapsedRunning() const { return connected_; }
    // The page on the line (0 the cover page); -1 before the first one.
    int linePage() const { return linePage_; }
    bool countdownRunning() const { return counting_; }

    // "m:ss" right-aligned in six characters.
    static std::string clockText(long seconds);
    // The file name without its directory, cut to 20 characters with a
    // continuation mark.
    static std::string shortFileName(const std::string &path);
    // bytes × 100 / length, rounded, within 0..100; 0 while length is 0.
    static int progressPercent(long bytes, long length);

private:
    void trackLinePage(const FaxStatusFacts &facts, Clock::time_point now);
    long lineBytes(Clock::time_point now) const;

    FaxStatusFacts facts_;
    // The page on the line of a sender.
    int linePage_ = -1;
    bool onLine_ = false;        // its data is going out
    bool lineDone_ = false;      // the modem reported it sent
    bool handedAll_ = false;     // all its data has left the port's ring
    Clock::time_point lineStart_{};
    Clock::time_point lineEnd_{};
    long lineLength_ = 0;
    long lineHanded_ = 0;
    bool connected_ = false;
    Clock::time_point connectedAt_{};
    bool counting_ = false;
    Clock::time_point countdownFrom_{};
    int countdownSeconds_ = 0;
};

}  // namespace qln
