#include "scriptedmodem.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace qln::test {

using Clock = std::chrono::steady_clock;

ScriptedModem::ScriptedModem()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("cannot create a pseudo-terminal");
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0)
        throw std::runtime_error("no name for the pseudo-terminal");
    path_ = name;
    keeper_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keeper_ >= 0) {
        termios t {};
        ::tcgetattr(keeper_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(keeper_, TCSANOW, &t);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

ScriptedModem::~ScriptedModem()
{
    stop();
    closeMaster();
    if (keeper_ >= 0)
        ::close(keeper_);
}

ScriptedModem &ScriptedModem::expectLine(const std::string &line, int timeoutMs)
{
    steps_.push_back({Step::ExpectLine, line, timeoutMs, {}});
    return *this;
}

ScriptedModem &ScriptedModem::expectBytes(const std::string &bytes, int timeoutMs)
{
    steps_.push_back({Step::ExpectBytes, bytes, timeoutMs, {}});
    return *this;
}

ScriptedModem &ScriptedModem::reply(const std::string &bytes)
{
    steps_.push_back({Step::Write, bytes, 0, {}});
    return *this;
}

ScriptedModem &ScriptedModem::replyLine(const std::string &text) { return reply("\r\n" + text + "\r\n"); }

ScriptedModem &ScriptedModem::delay(int ms)
{
    steps_.push_back({Step::Delay, {}, ms, {}});
    return *this;
}

ScriptedModem &ScriptedModem::call(std::function<void()> fn)
{
    steps_.push_back({Step::Call, {}, 0, std::move(fn)});
    return *this;
}

ScriptedModem &ScriptedModem::hangUp()
{
    steps_.push_back({Step::HangUp, {}, 0, {}});
    return *this;
}

ScriptedModem &ScriptedModem::respond(const std::string &line, const std::string &reply)
{
    responders_[line] = reply;
    return *this;
}

ScriptedModem &ScriptedModem::echo(bool on)
{
    echo_ = on;
    return *this;
}

void ScriptedModem::start()
{
    thread_ = std::thread([this] { run(); });
}

bool ScriptedModem::waitDone(int timeoutMs)
{
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done_ && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done_;
}

void ScriptedModem::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

void ScriptedModem::closeMaster()
{
    std::lock_guard lock(mutex_);
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

void ScriptedModem::write(const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        int fd;
        {
            std::lock_guard lock(mutex_);
            fd = master_;
        }
        if (fd < 0)
            return;
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
}

std::string ScriptedModem::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::string> ScriptedModem::lines() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> ScriptedModem::failures() const
{
    std::lock_guard lock(mutex_);
    return failures_;
}

void ScriptedModem::fail(const std::string &what)
{
    std::lock_guard lock(mutex_);
    failures_.push_back(what);
}

bool ScriptedModem::readSome(int timeoutMs)
{
    int fd;
    {
        std::lock_guard lock(mutex_);
        fd = master_;
    }
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0)
        return false;
    char buf[4096];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) {
        // EIO: no slave side open at the moment; try again later.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return false;
    }
    std::string chunk(buf, size_t(n));
    {
        std::lock_guard lock(mutex_);
        received_ += chunk;
        for (char c : chunk) {
            if (c == '\r') {
                if (!lineBuf_.empty())
                    lines_.push_back(lineBuf_);
                lineBuf_.clear();
            } else if (c != '\n') {
                lineBuf_ += c;
            }
        }
    }
    if (echo_)
        write(chunk);
    return true;
}

bool ScriptedModem::nextLine(std::string &line, int timeoutMs)
{
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (linesTaken_ < lines_.size()) {
                line = lines_[linesTaken_++];
                return true;
            }
        }
        if (stop_ || Clock::now() >= end)
            return false;
        readSome(10);
    }
}

void ScriptedModem::answerResponders()
{
    for (;;) {
        std::string line;
        {
            std::lock_guard lock(mutex_);
            if (linesTaken_ >= lines_.size())
                return;
            line = lines_[linesTaken_++];
        }
        auto it = responders_.find(line);
        if (it != responders_.end())
            write(it->second);
    }
}

void ScriptedModem::run()
{
    for (const Step &s : steps_) {
        if (stop_)
            break;
        switch (s.kind) {
        case Step::ExpectLine: {
            std::string line;
            if (!nextLine(line, s.ms))
                fail("expected line \"" + s.text + "\", got nothing");
            else if (line != s.text)
                fail("expected line \"" + s.text + "\", got \"" + line + "\"");
            break;
        }
        case Step::ExpectBytes: {
            auto end = Clock::now() + std::chrono::milliseconds(s.ms);
            bool ok = false;
            while (!stop_ && Clock::now() < end) {
                {
                    std::lock_guard lock(mutex_);
                    if (received_.size() - bytesTaken_ >= s.text.size()) {
                        ok = received_.compare(bytesTaken_, s.text.size(), s.text) == 0;
                        if (!ok)
                            failures_.push_back("expected bytes \"" + s.text + "\", got \"" +
                                                received_.substr(bytesTaken_, s.text.size()) + "\"");
                        bytesTaken_ += s.text.size();
                        break;
                    }
                }
                readSome(10);
            }
            if (!ok && Clock::now() >= end)
                fail("expected bytes \"" + s.text + "\", timed out");
            break;
        }
        case Step::Write:
            write(s.text);
            break;
        case Step::Delay:
            std::this_thread::sleep_for(std::chrono::milliseconds(s.ms));
            break;
        case Step::Call:
            s.fn();
            break;
        case Step::HangUp:
            closeMaster();
            break;
        }
    }
    done_ = true;
    // After the script: answer the responders until stopped.
    while (!stop_) {
        answerResponders();
        if (!readSome(10) && master_ < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace qln::test
