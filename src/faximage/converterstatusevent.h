// ConverterStatusEvent: the status report a converter sends to its status
// window, when one is set, instead of calling its status callback.
//
// It carries the message code 32346 (0x7E5A), the kind as WP (1 start, 0
// line, 2 end) and the converter core as LP. The receiver reads the core's
// counters and sets `answer` to a non-zero value to abort the conversion
// (-8003). Sent synchronously with QCoreApplication::sendEvent on the
// converting (user-interface) thread.
#pragma once

#include <QEvent>

namespace qln::fax {

class ConverterCore;

class ConverterStatusEvent : public QEvent {
public:
    static constexpr int kMessage = 32346; // 0x7E5A

    ConverterStatusEvent(int wp, ConverterCore *lp)
        : QEvent(eventType())
        , wParam(wp)
        , core(lp)
    {
    }
    // The registered event type of these reports.
    static QEvent::Type eventType();

    const int message = kMessage;
    const int wParam;
    ConverterCore *const core;
    long answer = 0;
};

} // namespace qln::fax
