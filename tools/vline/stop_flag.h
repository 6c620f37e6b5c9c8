// Process-wide "stop the line" request, set from the SIGINT/SIGTERM handler.
// Loops that run outside the server's main loop (a modem collecting a page
// from its host) check it so that a stop is never held up by them.
#pragma once

namespace qln::vline {

// True once a stop signal arrived. Async-signal-safe to set.
bool stopRequested();
void requestStop();

} // namespace qln::vline
