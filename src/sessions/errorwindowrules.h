// The decisions of the error window (TShowErrorForm) apart from the widget:
// which buttons it offers, how many text lines its memo must show, when it
// closes itself, what the caller gets back, and that only one error window
// is showing at a time (a request made while one shows is dropped).
//
// Plain values and functions; the one-at-a-time slot is process-wide and
// meant for the user-interface thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qln {

// How an error window ended.
enum class ErrorWindowResult {
    Ok,        // "Ok", the close box, Escape or the auto-close timer
    Continue,  // "Continue" (only offered when asked)
    Dropped,   // never shown: another error window was showing
};

struct ErrorWindowRequest {
    std::string caption;
    std::string text;
    bool withContinue = false;  // "ask": Continue enabled
    bool autoClose = false;     // close itself with OK after autoCloseMs
};

class ErrorWindowRules {
public:
    static constexpr int kAutoCloseMs = 30000;
    // Blank lines kept below the text in the memo.
    static constexpr int kExtraMemoLines = 3;
    // The note and the hint point at the button that opens the technical
    // help page (help topic 10000).
    static constexpr const char *kSolverNote =
        "For more information and possible solutions, click the Technical Help button";
    static constexpr const char *kHelpHint =
        "Open the technical help page to read about solutions to this error";

    explicit ErrorWindowRules(ErrorWindowRequest request) : request_(std::move(request)) {}

    const ErrorWindowRequest &request() const { return request_; }
    bool continueEnabled() const { return request_.withContinue; }
    // 0 when the window stays until closed.
    int autoCloseMs() const { return request_.autoClose ? kAutoCloseMs : 0; }

    // The text split into its lines at CR LF, CR or LF (a final line break
    // adds no line).
    static std::vector<std::string> textLines(const std::string &text);
    // Lines the memo must show: every line of the text, each counted as
    // the rows it wraps into (rowsOf; one row each when not given), plus
    // kExtraMemoLines.
    int memoRows(const std::function<int(const std::string &line)> &rowsOf = {}) const;

    // The caller's answer: true only for Continue; an "ask" that was dropped
    // or closed any other way means "do not continue".
    static bool continued(ErrorWindowResult r) { return r == ErrorWindowResult::Continue; }

private:
    ErrorWindowRequest request_;
};

// The one error window allowed at a time. tryEnter() is false while
// another window holds the slot; the holder leaves when its window closes.
class ErrorWindowSlot {
public:
    ErrorWindowSlot();
    ~ErrorWindowSlot();
    ErrorWindowSlot(const ErrorWindowSlot &) = delete;
    ErrorWindowSlot &operator=(const ErrorWindowSlot &) = delete;

    // Whether this object got the slot.
    bool held() const { return held_; }
    // Whether any error window is showing now.
    static bool busy();

private:
    bool held_ = false;
};

}  // namespace qln
