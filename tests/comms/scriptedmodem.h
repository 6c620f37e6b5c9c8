// ScriptedModem: a small modem on the far end of a pseudo-terminal, for
// exact dialogues in tests. The code under test opens devicePath() like a
// serial port; the modem runs a script of steps on its own thread:
//
//     ScriptedModem m;
//     m.expectLine("AT").replyLine("OK").expectLine("ATZ").delay(50).replyLine("OK");
//     m.start();
//
// Lines are the bytes up to a carriage return (line feeds dropped). Besides
// the script, responders answer the lines that arrive once the script has
// run (respond("AT", "\r\nOK\r\n")), so a test can also use it as a
// simple answering modem with no script at all. Everything received is kept
// for inspection, and a failed expectation is recorded, never thrown.
//
// Threading: configure before start(); received(), failures() and done()
// are safe at any time.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qln::test {

class ScriptedModem {
public:
    ScriptedModem();
    ~ScriptedModem();
    ScriptedModem(const ScriptedModem &) = delete;
    ScriptedModem &operator=(const ScriptedModem &) = delete;

    // Path of the pseudo-terminal's slave side: open this as the port.
    const std::string &devicePath() const { return path_; }
    int masterFd() const { return master_; }

    // --- Script steps (run in order after start()) -------------------------
    // Waits (up to timeoutMs) for the next line and checks it equals line.
    ScriptedModem &expectLine(const std::string &line, int timeoutMs = 5000);
    // Waits for the exact bytes (no line splitting).
    ScriptedModem &expectBytes(const std::string &bytes, int timeoutMs = 5000);
    // Writes raw bytes.
    ScriptedModem &reply(const std::string &bytes);
    // Writes "\r\n" + text + "\r\n", the way modems frame result codes.
    ScriptedModem &replyLine(const std::string &text);
    ScriptedModem &delay(int ms);
    // Runs any code on the modem thread (e.g. to flip a flag).
    ScriptedModem &call(std::function<void()> fn);
    // Closes the master side: the port sees the device disappear.
    ScriptedModem &hangUp();

    // --- Responders (after the script) --------------------------------------
    ScriptedModem &respond(const std::string &line, const std::string &reply);
    // Echo received bytes back, as a modem in command mode with E1 does.
    ScriptedModem &echo(bool on);

    void start();
    // Waits until every step has run; false on time-out.
    bool waitDone(int timeoutMs = 10000);
    bool done() const { return done_; }
    // Stops the modem thread (the destructor calls it).
    void stop();
    // Closes the master at once (from the test thread).
    void closeMaster();

    std::string received() const;
    std::vector<std::string> lines() const;    // every complete line received
    std::vector<std::string> failures() const; // failed expectations

    // Writes bytes at once from the calling thread.
    void write(const std::string &bytes);

private:
    struct Step {
        enum Kind { ExpectLine, ExpectBytes, Write, Delay, Call, HangUp } kind;
        std::string text;
        int ms = 0;
        std::function<void()> fn;
    };
    void run();
    bool readSome(int timeoutMs); // pulls bytes into pending_ and lines
    bool nextLine(std::string &line, int timeoutMs);
    void answerResponders();
    void fail(const std::string &what);

    int master_ = -1;
    int keeper_ = -1; // slave descriptor kept open so the pty outlives the port
    std::string path_;
    std::vector<Step> steps_;
    std::map<std::string, std::string> responders_;
    bool echo_ = false;

    mutable std::mutex mutex_;
    std::string received_;
    std::string lineBuf_;
    std::vector<std::string> lines_;
    size_t linesTaken_ = 0;
    size_t bytesTaken_ = 0;
    std::vector<std::string> failures_;

    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
};

} // namespace qln::test
