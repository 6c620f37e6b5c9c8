// The message boxes, questions and error window of the program, shown with
// Qt dialogs. Installed at start-up with setMessages(); tests install the
// scripted implementation instead.
//
// Texts keep the line breaks they are written with ("\r", "\r\n" or "\n");
// each becomes one line break on screen. User-interface thread only.
#pragma once

#include "common/messages.h"

#include <QString>

class QWidget;

namespace qln {

class QtMessages : public IMessages {
public:
    void information(const std::string &text) override;
    void message(const std::string &text) override;
    bool question(const std::string &text, const std::string &caption) override;
    bool cautiousQuestion(const std::string &text, const std::string &caption) override;
    void errorBox(const std::string &text) override;
    void showError(const std::string &caption, const std::string &text, bool autoClose) override;
    bool askError(const std::string &caption, const std::string &text, bool autoClose) override;
    void beep() override;

    // "\r\n" and lone "\r" become "\n".
    static QString displayText(const std::string &text);

private:
    static QWidget *parentWindow();
    bool errorWindow(const std::string &caption, const std::string &text, bool autoClose,
                     bool withContinue);
};

}  // namespace qln
