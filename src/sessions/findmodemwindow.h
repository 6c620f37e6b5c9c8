// TFindModemForm: the find-modem window. When it is shown it probes COM1 to
// COM6 (findmodem.h), showing each port's label as it goes; it can be left
// only with "Ok", which appears once the search is done. No system menu.
#pragma once

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;

namespace qln {

class TApdComPort;

class TFindModemForm : public QDialog {
    Q_OBJECT
public:
    explicit TFindModemForm(TApdComPort &port, QWidget *parent = nullptr);

    // The port of the first modem found, or -1 (valid once done()).
    int result() const { return result_; }
    bool done() const { return done_; }
    QString portLabel(int port) const;
    QString messageText() const;
    QPushButton *okButton() const { return Ok; }

    // Shows the window modally, runs the search and returns its result.
    static int run(TApdComPort &port, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *e) override;
    void reject() override;
    void closeEvent(QCloseEvent *e) override;

private:
    void search();

    TApdComPort &port_;
    std::array<QLabel *, 6> PortLabels{};
    QLabel *MessageLine = nullptr;
    QPushButton *Ok = nullptr;
    int result_ = -1;
    bool started_ = false;
    bool done_ = false;
};

} // namespace qln
