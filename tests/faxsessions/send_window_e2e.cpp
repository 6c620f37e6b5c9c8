// End to end over the virtual fax line: a fax composed through the fax
// editor's code path (a cover template with merge fields, a document with a
// hard page break) is sent by the main window's Send command and the send
// window, offscreen with scripted messages. The remote machine's pages must
// equal Quillon's rendered pages below the header band, and the record and
// "Lastsend.log" must tell the outcome. Each failure the line can produce
// gives its window texts, last result and log lines and leaves SENT as it
// was. Real time: about three minutes in all.
#include "app/mainscreen.h"
#include "app/recordsfaxtables.h"
#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "compose/coverlibrary.h"
#include "compose/faxcomposer.h"
#include "compose/modal.h"
#include "compose/plainfaxsurface.h"
#include "fax/faxcodes.h"
#include "richtext/richdocument.h"
#include "sessions/faxstatusdisplay.h"
#include "sessions/sendfaxform.h"
#include "tiff_pages.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QThread>

#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>

using namespace qln;
using Kind = ScriptedMessages::Kind;

// Decodes a page of an APF file (in unpackerpage.cpp: the unpacker's header
// and the fax engine's do not meet in one file).
bool decodeApfPage(const std::string &file, int page, qln::vline::test::Bitmap &out);

namespace {

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// What the send window's runner does once the window is up.
enum class Action { Send, SendAndCancelInMidPage };

class SendE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        line = work.path() + "/line";
        data = work.path().toStdString() + "/data/";
        QDir().mkpath(QString::fromStdString(data));
        vline.setProgram(QStringLiteral(QLNFAX_PATH));
        vline.setArguments({"vline", "serve", line, "--modems", "1"});
        vline.setProcessChannelMode(QProcess::MergedChannels);
        vline.start();
        QElapsedTimer t;
        t.start();
        while (!QFile::exists(line + "/vline.sock") && t.elapsed() < 10000)
            QThread::msleep(50);
        ASSERT_TRUE(QFile::exists(line + "/vline.sock")) << vline.readAll().toStdString();
        setDataDirectoryOverride(data);
        setMessages(&msgs);
        settings() = Settings{};
    }
    void TearDown() override
    {
        compose::setModalRunner({});
        setMessages(nullptr);
        setDataDirectoryOverride({});
        TApdComPort::SetPortMapper(nullptr);
        vline.terminate();
        vline.waitForFinished(5000);
    }

    void writeIni(const std::string &extra, const std::string &port = {})
    {
        QFile f(QString::fromStdString(data + "QLN.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const std::string device = port.empty() ? (line + "/modem1").toStdString() : port;
        f.write(("[Modem]\nComPort=0\nFaxClass=1\nMaximumBPS=14400\n[Ports]\nCOM1=" + device +
                 "\n[User]\nName=Sales\nFax=+1 555 0100\n" + extra)
                    .c_str());
    }

    // The fax, stored as the fax editor stores an accepted New: the cover
    // is loaded from a template and its merge fields filled in.
    void composeFax(const std::string &number)
    {
        records::FaxTables tables(data);
        ASSERT_TRUE(tables.OpenFaxDBF());
        ASSERT_TRUE(tables.OpenCoverDBF());
        compose::CoverLibrary library(tables);
        {
            richtext::RichDocument tmpl;
            tmpl.loadRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 FAX COVER SHEET\\par\\par To: \\par "
                         "Fax number: \\par Subject: \\par Date: \\par}");
            QTextCursor c(tmpl.document());
            for (int tag = 1; tag <= 4; ++tag) {
                c.movePosition(QTextCursor::Start);
                c.movePosition(QTextCursor::NextBlock, QTextCursor::MoveAnchor, tag + 1);
                c.movePosition(QTextCursor::EndOfBlock);
                tmpl.insertMergeField(c, tag);
            }
            ASSERT_GT(library.addTemplate("Merge cover", tmpl), 0);
        }
        ASSERT_TRUE(library.findDescription("Merge cover"));
        compose::FaxComposer composer(tables);
        compose::PlainFaxSurface editor;
        composer.open(compose::FaxEditMode::New, editor);
        editor.setFields({"Jane Smith", number, "Spring order"});
        ASSERT_TRUE(composer.loadTemplate(library, editor));
        ASSERT_EQ(editor.cover().mergeFieldCountInText(), 0); // all filled
        editor.document().loadRtf(
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 Dear Jane,\\par\\par the quote you asked "
            "for follows on the next page.\\par\\page Item 1: 12 boxes\\par Item 2: 3 crates\\par}");
        ASSERT_EQ(editor.document().pageBreakCount(), 1);
        ASSERT_GT(composer.store(compose::FaxEditMode::New, editor), 0);
        tables.CloseAll();
    }

    // Runs the main window's Send command; the runner works the send
    // window. Returns what the window left in the outgoing record.
    records::OutgoingFax send(Action action = Action::Send)
    {
        TMainScreen w;
        w.selectRow(FaxList::Outgoing, 0);
        compose::setModalRunner([&](QDialog &dialog) {
            auto &form = dynamic_cast<TSendFaxForm &>(dialog);
            form.show();
            pump(50);
            QFile::copy(QString::fromStdString(form.job().faxFile()), work.path() + "/sent.apf");
            form.sendButton()->click();
            QElapsedTimer t;
            t.start();
            bool cancelled = false;
            while (form.job().busy() && t.elapsed() < 240000) {
                pump(20);
                fax::TApdSendFax &f = form.job().ApdSendFax1;
                if (action == Action::SendAndCancelInMidPage && !cancelled &&
                    f.StatusCode() == fax::fpSendPage && f.BytesDone() > 2000) {
                    statusShownWhileSending = form.statusDisplay().Display()->isVisible();
                    form.statusDisplay().Display()->cancelButton()->click();
                    cancelled = true;
                }
            }
            EXPECT_FALSE(form.job().busy()) << "the call did not end";
            lastResult = form.lastResult();
            form.closeButton()->click();
            return form.result();
        });
        w.SendButtonClick();
        compose::setModalRunner({});
        records::TTable &t = bindingOf(w.tables())->FaxTable;
        t.First();
        return records::readOutgoing(t);
    }

    // Lines of "Lastsend.log" with the time stamps cut off.
    std::vector<std::string> logLines()
    {
        std::vector<std::string> out;
        QFile f(QString::fromStdString(data + "Lastsend.log"));
        if (!f.open(QIODevice::ReadOnly))
            return {"<no log>"};
        for (QByteArray l : f.readAll().split('\n')) {
            if (l.endsWith('\r'))
                l.chop(1);
            std::string s = l.toStdString();
            for (const char *stamped : {"Start:", "Finish: "})
                if (s.rfind(stamped, 0) == 0)
                    s = stamped;
            if (!s.empty())
                out.push_back(s);
        }
        return out;
    }

    std::vector<std::string> logFor(int finishCode, const std::string &result, const std::string &number)
    {
        return {"Start:", "Opening com port: COM1", "Opened com port OK", "Checking for modem",
                "Desired BPS: 14400", "Negotiate between pages: OFF", "Fax#: " + number, "Dial Prefix: ",
                "Dial Suffix: ", "Fax Class: Class 1", "StationID: +1 555 0100", "User INIT String: ",
                "Faxfinish Code: " + std::to_string(finishCode), "Result: " + result, "Finish: "};
    }

    void expectFailureWindow(const std::string &text)
    {
        ASSERT_GE(msgs.count(Kind::ShowError), 1u);
        EXPECT_EQ(msgs.last().caption, "Fax Failure");
        EXPECT_EQ(msgs.last().text, "We have received an error message while trying to send the fax\r\n\r\n"
                                    "Error message: " + text + "\r\n\r\n");
    }

    QTemporaryDir work;
    QString line;
    std::string data;
    QProcess vline;
    ScriptedMessages msgs;
    std::string lastResult;
    bool statusShownWhileSending = false;
};

}  // namespace

TEST_F(SendE2e, ComposedFaxArrivesAsRenderedAndTheRecordIsMarkedSent)
{
    writeIni("");
    composeFax("100");
    const records::OutgoingFax r = send();
    EXPECT_EQ(msgs.last().kind, Kind::Information);
    EXPECT_EQ(msgs.last().text, "Fax sent successfully");
    EXPECT_TRUE(r.sent);
    EXPECT_EQ(r.dateSent, QDate::currentDate().toString("yyyyMMdd").toStdString());
    EXPECT_EQ(r.timeSent.size(), 5u);
    EXPECT_EQ(r.timeSent[2], ':');
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(r.lastResult, "Sent");
    EXPECT_EQ(logLines(), logFor(0, "Sent", "100"));

    // The remote machine's pages: Quillon's rendered pages below the band
    // of white lines and the header line.
    const std::string tif = (line + "/remote/rx-0001.tif").toStdString();
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(line + "/remote/rx-0001.txt") && t.elapsed() < 10000)
        QThread::msleep(50);
    ASSERT_EQ(vline::test::tiffPageCount(tif), 3);
    const std::string sent = (work.path() + "/sent.apf").toStdString();
    for (int page = 0; page < 3; ++page) {
        vline::test::Bitmap got, want;
        std::string why;
        ASSERT_TRUE(vline::test::readTiffPage(tif, page, got, why)) << why;
        ASSERT_TRUE(decodeApfPage(sent, page + 1, want));
        ASSERT_EQ(got.width, want.width);
        const int band = int(got.rows.size()) - int(want.rows.size());
        ASSERT_GT(band, 8) << "page " << page + 1;
        ASSERT_LE(band, 64) << "page " << page + 1;
        for (std::size_t y = 0; y < want.rows.size(); ++y)
            ASSERT_EQ(got.rows[band + y], want.rows[y]) << "page " << page + 1 << " row " << y;
        bool headerInk = false;
        for (int y = 0; y < band && !headerInk; ++y)
            for (uint8_t b : got.rows[y])
                headerInk = headerInk || b != 0;
        EXPECT_TRUE(headerInk) << "page " << page + 1 << " has no header line";
    }
}

TEST_F(SendE2e, BusyUntilTheLastAttempt)
{
    writeIni("[Dialing]\nDialAttempts=2\nRetryWait=3\n");
    composeFax("200");
    const records::OutgoingFax r = send();
    expectFailureWindow("Called fax number was busy");
    EXPECT_EQ(lastResult, "Called fax number was busy");
    EXPECT_EQ(r.lastResult, "Called fax number was busy");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(logLines(), logFor(-8064, "Called fax number was busy", "200"));
}

TEST_F(SendE2e, NoAnswerAndVoice)
{
    writeIni("[Dialing]\nDialAttempts=1\n");
    composeFax("300");
    records::OutgoingFax r = send();
    // The modem's NO ANSWER counts as a busy number after the last attempt.
    expectFailureWindow("Called fax number was busy");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(logLines(), logFor(-8064, "Called fax number was busy", "300"));

    msgs.clear();
    {
        records::FaxTables t(data);
        ASSERT_TRUE(t.OpenFaxDBF());
        t.FaxTable.First();
        t.FaxTable.Edit();
        t.FaxTable.SetString("PHONE", "400");
        t.FaxTable.Post();
        t.CloseAll();
    }
    r = send();
    expectFailureWindow("Called fax number answered with voice");
    EXPECT_EQ(r.lastResult, "Called fax number answered with voice");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(logLines(), logFor(-8065, "Called fax number answered with voice", "400"));
}

TEST_F(SendE2e, PortInUse)
{
    writeIni("");
    composeFax("100");
    const std::string device = QFile::symLinkTarget(line + "/modem1").toStdString();
    const int holder = ::open(device.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const records::OutgoingFax r = send();
    ::close(holder);
    ASSERT_EQ(msgs.count(Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Error Opening Communications Port");
    EXPECT_EQ(msgs.last().text,
              "The communications port is in use ( Com 1 )\r\n\r\nPlease make sure that no other program uses "
              "it (a terminal program, another fax program, ModemManager), and then try again.\r\n\r\nIs the "
              "serial port COM1 (" + (line + "/modem1").toStdString() +
                  ") correct? Please\r\nclick on the Find Modem button on the Preferences screen to be sure.");
    EXPECT_EQ(r.lastResult, "Error opening communications port");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "Start:", "Opening com port: COM1", "Error opening com port: COM1",
                              "Message:The communications port is in use ( Com 1 )",
                              "Please make sure that no other program uses it (a terminal program, another "
                              "fax program, ModemManager), and then try again.",
                              "Finish: "}));
}

TEST_F(SendE2e, NoModemResponseAndResetStringNotAnswered)
{
    // A port with nothing behind it.
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    writeIni("", name);
    composeFax("100");
    msgs.answer(false); // OK: stop the fax session
    records::OutgoingFax r = send();
    ::close(master);
    ::close(slave);
    ASSERT_EQ(msgs.count(Kind::AskError), 1u);
    const auto ask = msgs.calls()[0];
    EXPECT_EQ(ask.caption, "No Response From Modem");
    EXPECT_EQ(ask.text, "We did not receive a modem response from COM1 (" + std::string(name) +
                            ").\r\n\r\nTo verify the communications "
                        "port, please click on the Find Modem button on the Preferences screen.\r\n\r\nIf you "
                        "are sure there is a modem on COM1, press CONTINUE\r\nto continue, otherwise press OK to "
                        "stop the fax session.");
    EXPECT_EQ(r.lastResult, "No response from modem");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Start:", "Opening com port: COM1", "Opened com port OK",
                                                    "Checking for modem", "Error checking for modem", "Exit",
                                                    "Finish: "}));

    // The line's modem answers "AT" but refuses the reset string.
    msgs.clear();
    writeIni("[Resetting]\nString=AT+FCLASS=9\n");
    r = send();
    ASSERT_EQ(msgs.count(Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Unable to Continue");
    EXPECT_EQ(msgs.last().text,
              "We are unable to continue the fax session. \r\n\r\nThe modem did not respond to the reset "
              "string:   (AT+FCLASS=9)\r\n\r\nIs the serial port COM1 (" + (line + "/modem1").toStdString() +
                  ") correct? Please\r\n"
              "click on the Find Modem button on the Preferences screen to be sure.");
    EXPECT_EQ(r.lastResult, "No response from modem reset");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Start:", "Opening com port: COM1", "Opened com port OK",
                                                    "Checking for modem",
                                                    "Sending reset string: AT+FCLASS=9",
                                                    "Failure sending reset string: AT+FCLASS=9",
                                                    "Exiting...", "Finish: "}));
}

TEST_F(SendE2e, CancelInMidPage)
{
    writeIni("");
    composeFax("100");
    const records::OutgoingFax r = send(Action::SendAndCancelInMidPage);
    EXPECT_TRUE(statusShownWhileSending);
    expectFailureWindow("Cancel requested");
    EXPECT_EQ(r.lastResult, "Cancel requested");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(logLines(), logFor(-6005, "Cancel requested", "100"));
}

int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
