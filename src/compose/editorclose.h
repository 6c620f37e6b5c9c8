// What a composition editor's Accept and Cancel do while it is open: the
// window calls these and closes only when they return true, so an Accept
// whose checks say "not yet" or whose store fails leaves the user's text
// in the open editor. User-interface thread only.
#pragma once

#include <functional>

namespace qln::compose {

struct EditorClose {
    // Accept: checks and stores; true when the editor may close (stored).
    // Empty: closes at once.
    std::function<bool()> accept;
    // Cancel, Escape or closing the window; true when the editor may close.
    // Empty: closes at once.
    std::function<bool()> cancel;
};

}  // namespace qln::compose
