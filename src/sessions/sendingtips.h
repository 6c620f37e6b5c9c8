// The six tips of the send window's "Fax Sending Assistance:" panel: the
// label beside each tip button and the text of its "Sending Tip" window.
// Plain data; any thread.
#pragma once

#include <string>

namespace qln {

struct SendingTip {
    const char *label;
    const char *text;
};

inline constexpr int kSendingTipCount = 6;
inline constexpr const char *kSendingTipCaption = "Sending Tip";

// The tips in panel order (0..5).
const SendingTip &sendingTip(int index);

}  // namespace qln
