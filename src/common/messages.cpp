// The message interface's accessor, console fallback and scripted test
// implementation.
#include "common/messages.h"

#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace qln {

namespace {

// Used while no implementation is installed (command-line tools, early
// start-up): prints each message and gives the default answer.
class ConsoleMessages : public IMessages {
public:
    void information(const std::string &text) override { print(kInformationCaption, text); }
    void message(const std::string &text) override { print("Quillon", text); }
    bool question(const std::string &text, const std::string &caption) override
    {
        print(caption, text + " [Yes]");
        return true;
    }
    bool cautiousQuestion(const std::string &text, const std::string &caption) override
    {
        print(caption, text + " [No]");
        return false;
    }
    void errorBox(const std::string &text) override { print("Error", text); }
    void showError(const std::string &caption, const std::string &text, bool) override
    {
        print(caption, text);
    }
    bool askError(const std::string &caption, const std::string &text, bool) override
    {
        print(caption, text + " [Ok]");
        return false;
    }
    void beep() override { std::fputc('\a', stderr); }

private:
    static void print(const std::string &caption, const std::string &text)
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

ConsoleMessages consoleMessages;
std::atomic<IMessages *> installed{nullptr};

}  // namespace

IMessages &messages()
{
    IMessages *m = installed.load();
    return m ? *m : consoleMessages;
}

void setMessages(IMessages *m) { installed.store(m); }

void ScriptedMessages::answer(bool yes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.push_back(yes);
}

void ScriptedMessages::answers(std::initializer_list<bool> list)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answers_.insert(answers_.end(), list.begin(), list.end());
}

std::vector<ScriptedMessages::Call> ScriptedMessages::calls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::size_t ScriptedMessages::count(Kind kind) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t n = 0;
    for (const auto &c : calls_)
        n += c.kind == kind;
    return n;
}

ScriptedMessages::Call ScriptedMessages::last() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (calls_.empty())
        throw std::out_of_range("no message was shown");
    return calls_.back();
}

int ScriptedMessages::unscriptedAnswers() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return unscripted_;
}

void ScriptedMessages::clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
    answers_.clear();
    unscripted_ = 0;
}

bool ScriptedMessages::take(bool defaultAnswer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (answers_.empty()) {
        ++unscripted_;
        return defaultAnswer;
    }
    bool a = answers_.front();
    answers_.pop_front();
    return a;
}

void ScriptedMessages::record(Call c)
{
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(c));
}

void ScriptedMessages::information(const std::string &text)
{
    record({Kind::Information, kInformationCaption, text});
}

void ScriptedMessages::message(const std::string &text) { record({Kind::Message, "", text}); }

bool ScriptedMessages::question(const std::string &text, const std::string &caption)
{
    bool a = take(true);
    record({Kind::Question, caption, text, false, a});
    return a;
}

bool ScriptedMessages::cautiousQuestion(const std::string &text, const std::string &caption)
{
    bool a = take(false);
    record({Kind::CautiousQuestion, caption, text, false, a});
    return a;
}

void ScriptedMessages::errorBox(const std::string &text) { record({Kind::ErrorBox, "", text}); }

void ScriptedMessages::showError(const std::string &caption, const std::string &text, bool autoClose)
{
    record({Kind::ShowError, caption, text, autoClose});
}

bool ScriptedMessages::askError(const std::string &caption, const std::string &text, bool autoClose)
{
    bool a = take(false);
    record({Kind::AskError, caption, text, autoClose, a});
    return a;
}

void ScriptedMessages::beep() { record({Kind::Beep, "", ""}); }

}  // namespace qln
