// TApdComWindow: the port's hidden window ("awComWindow"). The dispatcher
// sends it trigger messages through the UI bridge; it raises the port's
// trigger events and completes a deferred close (msgClosePending).
//
// Threading: its WndProc runs on the UI thread only.
#pragma once

#include "comms/dispatcher.h"

namespace qln {

class TApdComPort;

class TApdComWindow : public TApdWindowHandler {
public:
    static constexpr const char *kClassName = "awComWindow";

    explicit TApdComWindow(TApdComPort &port) : port_(port) {}
    intptr_t WndProc(uint32_t msg, uint32_t wParam, int32_t lParam) override;

private:
    TApdComPort &port_;
};

} // namespace qln
