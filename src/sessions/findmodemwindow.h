// TFindModemForm: the find-modem window. When it is shown it probes COM1 to
// COM6 (findmodem.h), showing each port's label as it goes; it can be left
// only with "Ok", which appears once the search is done.
#pragma once

#include "sessions/toolwindow.h"

#include <array>

class QLabel;

namespace qln {

class TApdComPort;

class TFindModemForm : public ToolWindow {
    Q_OBJECT
public:
    explicit TFindModemForm(TApdComPort &port, QWidget *parent = nullptr);

    // The port of the first modem found, or -1 (valid once done()).
    int result() const { return result_; }
    QString portLabel(int port) const;
    QString messageText() const;

    // Shows the window modally, runs the search and returns its result.
    static int run(TApdComPort &port, QWidget *parent = nullptr);

protected:
    void work() override;
    const char *doneCaption() const override;

private:
    TApdComPort &port_;
    std::array<QLabel *, 6> PortLabels{};
    QLabel *MessageLine = nullptr;
    int result_ = -1;
};

} // namespace qln
