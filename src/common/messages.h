// Every message box, question and error window the program shows goes
// through one injectable interface, so that the decisions of a command can
// be tested without a screen.
//
// The program installs a Qt implementation at start-up (setMessages); tests
// install ScriptedMessages, which records each call and answers from a queue.
// Without an installed implementation, a console fallback writes each
// message to stderr and gives the default answer.
//
// Threading: messages are shown from the user-interface thread only; the
// accessor itself is thread-safe, and ScriptedMessages may be called from any
// thread.
#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace qln {

class IMessages {
public:
    virtual ~IMessages() = default;

    // Message box with the caption "Information", information icon, OK.
    virtual void information(const std::string &text) = 0;
    // Plain message box with the application title as caption, OK.
    virtual void message(const std::string &text) = 0;
    // Yes/No question, question icon, Yes as default; true when Yes.
    virtual bool question(const std::string &text, const std::string &caption) = 0;
    // Yes/No question with No as default; true when Yes.
    virtual bool cautiousQuestion(const std::string &text, const std::string &caption) = 0;
    // The application's standard error box (conversion errors, exceptions).
    virtual void errorBox(const std::string &text) = 0;
    // Error window without Continue. With autoClose the window closes itself
    // with OK after 30 seconds.
    virtual void showError(const std::string &caption, const std::string &text, bool autoClose) = 0;
    // Error window with Continue enabled; true when Continue was pressed
    // (auto close counts as OK, so false).
    virtual bool askError(const std::string &caption, const std::string &text, bool autoClose) = 0;
    // The beep of a command that finds nothing to act on.
    virtual void beep() = 0;
};

// The installed implementation (never null).
IMessages &messages();
// Installs |m| (not owned); nullptr restores the console fallback.
void setMessages(IMessages *m);

// Caption of information().
inline constexpr const char *kInformationCaption = "Information";

// Test implementation: records every call and answers from a queue.
class ScriptedMessages : public IMessages {
public:
    enum class Kind { Information, Message, Question, CautiousQuestion, ErrorBox, ShowError, AskError, Beep };

    struct Call {
        Kind kind;
        std::string caption;  // "Information" for information(); empty where none
        std::string text;
        bool autoClose = false;
        bool answer = false;  // what a question or ask returned
    };

    // Queues answers for the next questions and asks, in order. When the
    // queue is empty the default button answers (Yes for question, No for
    // cautiousQuestion, OK = false for askError) and the call is counted in
    // unscriptedAnswers().
    void answer(bool yes);
    void answers(std::initializer_list<bool> list);

    std::vector<Call> calls() const;
    std::size_t count(Kind kind) const;
    // The last recorded call; throws std::out_of_range when none.
    Call last() const;
    int unscriptedAnswers() const;
    void clear();

    void information(const std::string &text) override;
    void message(const std::string &text) override;
    bool question(const std::string &text, const std::string &caption) override;
    bool cautiousQuestion(const std::string &text, const std::string &caption) override;
    void errorBox(const std::string &text) override;
    void showError(const std::string &caption, const std::string &text, bool autoClose) override;
    bool askError(const std::string &caption, const std::string &text, bool autoClose) override;
    void beep() override;

private:
    bool take(bool defaultAnswer);
    void record(Call c);

    mutable std::mutex mutex_;
    std::deque<bool> answers_;
    std::vector<Call> calls_;
    int unscripted_ = 0;
};

// RAII: installs an implementation for the lifetime of the object.
class ScopedMessages {
public:
    explicit ScopedMessages(IMessages &m) { setMessages(&m); }
    ~ScopedMessages() { setMessages(nullptr); }
    ScopedMessages(const ScopedMessages &) = delete;
    ScopedMessages &operator=(const ScopedMessages &) = delete;
};

}  // namespace qln
