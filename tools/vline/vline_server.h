// The virtual fax line server: emulated modems on ptys, the remote fax
// machine and the simulated exchange that connects them, run on one thread
// by a line clock of 20 ms blocks on absolute monotonic deadlines (N times
// faster with a speed-up).
//
// Dial plan: "100" the remote fax machine, "101".."10N" emulated modem N,
// "200" busy, "300" no answer, "400" answered by voice; anything else is
// never answered.
//
// A control socket DIR/vline.sock lets `qlnfax vline call` make the remote
// machine call a modem. The server runs until SIGINT or SIGTERM.
#pragma once

#include "vline/emulated_modem.h"
#include "vline/line_call.h"
#include "vline/remote_fax.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace qln::vline {

struct ServeOptions {
    std::string dir;
    std::vector<std::string> modemClasses{"1", "1", "2", "2.0"};
    int speedUp = 1;
    double noiseDbm0 = NAN;  // NAN: a clean line
    int maxBps = 0;          // highest bit rate the line carries; 0: any
    std::string remoteId = "100";
    bool remoteEcm = false;
    // Misbehaviour of the remote machine, for protocol tests: sending, it
    // hangs up on the MCF to its EOP without sending DCN.
    bool remoteNoDcn = false;
    bool trace = false;      // spandsp's protocol log into vline.log
};

// Checks a --max-bps value: one of the fax bit rates 2400 to 14400.
bool validMaxBps(int bps);

// Parses "1,1,2,2.0"; returns false (with why) on a class it does not know.
bool parseModemList(const std::string &text, std::vector<std::string> &classes, std::string &why);

// Name of the control socket inside the line's directory.
std::string controlSocketPath(const std::string &dir);

class VlineServer : public ModemOwner {
public:
    explicit VlineServer(ServeOptions opt);
    ~VlineServer() override;

    // Sets everything up and runs until a stop signal; returns the exit
    // status (0 after a clean stop, 1 when start-up failed, with why on stderr).
    int run();

    void modemDialled(EmulatedModem &m, const std::string &number) override;
    void modemAnswered(EmulatedModem &m) override;
    void modemHungUp(EmulatedModem &m) override;

private:
    struct Action {
        enum Kind { Dial, Answer, Hangup } kind;
        EmulatedModem *modem;
        std::string number;
    };
    struct Client {
        int fd;
        std::string in;
    };

    std::string start();
    void shutdown();
    void tick();
    void processActions();
    void dial(EmulatedModem &m, const std::string &number);
    void answer(EmulatedModem &m);
    // The line's calling terminal dials the remote machine for a client.
    void terminalDial(int clientFd, const std::string &ident, const std::string &file, bool ecm);
    void hangup(EmulatedModem &m);
    void advanceCall(LineCall &c);
    void finishRemote(LineCall &c);
    void finishTerminal(LineCall &c);
    void endCall(LineCall *c, const char *why);
    LineCall *callOf(const EmulatedModem *m);
    LineCall &newCall(LineCall::Target t);
    int nextRxNumber();

    void acceptClient();
    bool serviceClient(Client &cl);  // false: close it
    void clientCommand(Client &cl, const std::string &line);
    void reply(int fd, const std::string &line);

    ServeOptions opt_;
    std::vector<std::unique_ptr<EmulatedModem>> modems_;
    std::vector<std::unique_ptr<LineCall>> calls_;
    std::vector<Action> actions_;
    std::vector<Client> clients_;
    int listenFd_ = -1;
    int64_t now_ = 0;  // line clock, samples
    int nextCallId_ = 1;
    int rxCounter_ = 0;
    bool socketBound_ = false;
};

} // namespace qln::vline
