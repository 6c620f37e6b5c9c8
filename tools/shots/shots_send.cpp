// Screenshots of the sending windows: the error window, the fax status
// window during a call and during a busy wait.
#include "shots.h"

#include "fax/faxcodes.h"
#include "common/settings.h"
#include "sessions/faxstatusdisplay.h"
#include "sessions/sendfaxform.h"
#include "sessions/showerrorform.h"

namespace {

qln::FaxStatusFacts callFacts()
{
    qln::FaxStatusFacts f;
    f.phoneNumber = "9,555-0100";
    f.faxFile = "/home/user/.local/share/Quillon/QLN_1.APF";
    f.pageCount = 3;
    f.dialAttempt = 1;
    f.remoteId = "+1 555 0100";
    f.lineSpeed = 9600;
    f.fine = true;
    f.pageNumber = 2;
    f.pageBytes = 41230;
    f.bytesDone = 41230;
    f.statusCode = qln::fax::fpSendPage;
    return f;
}

}  // namespace

static QlnShot errorShot{"send-error", "error window after a failed fax", [](ShotContext &ctx) {
                             qln::TShowErrorForm w({"Fax Failure",
                                                    "We have received an error message while trying to "
                                                    "send the fax\r\n\r\nError message: Called fax number "
                                                    "was busy\r\n\r\n",
                                                    false, false});
                             ctx.save(w, QStringLiteral("send-error"));
                         }};

static QlnShot askShot{"send-error-ask", "error window asking whether to continue", [](ShotContext &ctx) {
                           qln::TShowErrorForm w(
                               {"No Response From Modem",
                                "We did not receive a modem response from COM1 (/dev/ttyUSB0).\r\n\r\nTo verify the "
                                "communications port, please click on the Find Modem button on the "
                                "Preferences screen.\r\n\r\nIf you are sure there is a modem on COM1, press "
                                "CONTINUE\r\nto continue, otherwise press OK to stop the fax session.",
                                true, false});
                           ctx.save(w, QStringLiteral("send-error-ask"));
                       }};

// Page 2 has been on the line for 20 of its 34 seconds; the sender has
// handed all of it to the port and already queues page 3.
static QlnShot statusShot{"send-status", "fax status window sending page 2 of 3", [](ShotContext &ctx) {
                              using Clock = qln::FaxStatusView::Clock;
                              qln::FaxStatusView view;
                              const Clock::time_point t0 = Clock::now();
                              qln::FaxStatusFacts f = callFacts();
                              f.statusCode = qln::fax::fpGotRemoteID;
                              view.report(f, t0);
                              f = callFacts();
                              f.bytesDone = 0;
                              view.report(f, t0 + std::chrono::seconds(63));
                              f.bytesDone = f.pageBytes;
                              f.outputQueued = 0;
                              view.report(f, t0 + std::chrono::seconds(65));
                              f.pageNumber = 3;
                              view.report(f, t0 + std::chrono::seconds(66));
                              qln::TStandardFaxDisplay w;
                              w.showTexts(view.texts(t0 + std::chrono::seconds(83)));
                              ctx.save(w, QStringLiteral("send-status"));
                          }};

static QlnShot busyShot{"send-status-busy", "fax status window waiting to redial a busy number",
                        [](ShotContext &ctx) {
                            using Clock = qln::FaxStatusView::Clock;
                            qln::FaxStatusView view;
                            qln::FaxStatusFacts f;
                            f.phoneNumber = "555-0101";
                            f.pageCount = 3;
                            f.dialAttempt = 1;
                            f.statusCode = qln::fax::fpBusyWait;
                            f.dialRetryWait = 60;
                            const Clock::time_point t0 = Clock::now();
                            view.report(f, t0);
                            qln::TStandardFaxDisplay w;
                            w.showTexts(view.texts(t0 + std::chrono::seconds(13)));
                            ctx.save(w, QStringLiteral("send-status-busy"));
                        }};

static QlnShot sendShot{"send-window", "send window before an attempt", [](ShotContext &ctx) {
                            static qln::Settings settings;
                            settings.comPort = 0;
                            qln::TSendFaxForm w(settings, "/tmp/QLN_1.APF", ctx.dataDir.toStdString() + "/");
                            w.setRecipient(QStringLiteral("Jane Smith"));
                            w.setSubject(QStringLiteral("Quote for the spring order"));
                            w.setPhoneNumber(QStringLiteral("555-0100"));
                            w.setDialPrefix(QStringLiteral("9,"));
                            w.setSuffixDisabled(true);
                            ctx.save(w, QStringLiteral("send-window"));
                        }};
