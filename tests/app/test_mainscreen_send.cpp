// The main window's Send command over real tables: a fax without texts
// makes no window, the send window gets the record and the dial settings,
// the record and the settings are updated as the window leaves them, and
// the rendered file is gone afterwards.
#include "app/mainscreen.h"
#include "app/recordsfaxtables.h"
#include "common/ini.h"
#include "compose/modal.h"
#include "comms/comport.h"
#include "richtext/richdocument.h"
#include "sessions/sendfaxform.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace qln;
using namespace qln::testing;
using Kind = ScriptedMessages::Kind;

namespace {

class MainScreenSend : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        writeIni("[Ports]\nCOM1=/dev/qln-no-such-port\n[Dialing]\nDialPrefix=9,\n"
                 "DialSuffix=#7\n[User]\nSuffixDisable=1\n");
    }
    void TearDown() override
    {
        compose::setModalRunner({});
        TApdComPort::SetPortMapper(nullptr);  // the Send command installed the [Ports] mapping
        WindowFixture::TearDown();
    }

    // One outgoing fax whose document is the given RTF (none: no texts).
    void addFax(const std::string &documentRtf)
    {
        records::FaxTables t(data);
        ASSERT_TRUE(t.OpenFaxDBF());
        t.FaxTable.Append();
        t.FaxTable.SetString("SUBJECT", "Quote");
        t.FaxTable.SetString("RECIPIENT", "Jane Smith");
        t.FaxTable.SetString("PHONE", "555-0100");
        t.FaxTable.Post();
        if (!documentRtf.empty()) {
            richtext::RichDocument doc;
            doc.loadRtf(QByteArray::fromStdString(documentRtf));
            ASSERT_TRUE(t.SaveRichText(t.FaxTable, "RTFDOC", [&](const std::string &path) {
                return doc.saveToFile(QString::fromStdString(path));
            }));
        }
        t.CloseAll();
    }

    // The fax as the window's own table holds it now (the table is open
    // for exclusive use).
    static records::OutgoingFax storedRow(TMainScreen &w)
    {
        records::TTable &t = bindingOf(w.tables())->FaxTable;
        t.First();
        return records::readOutgoing(t);
    }

    QStringList apfFiles() const
    {
        return QDir(QString::fromStdString(data)).entryList({"*.APF", "*.apf"}, QDir::Files);
    }
};

const char *kTwoPages = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Page one\\par\\page Page two\\par}";

}  // namespace

TEST_F(MainScreenSend, FaxWithoutTextsOpensNoWindow)
{
    addFax("");
    TMainScreen w;
    int windows = 0;
    compose::setModalRunner([&](QDialog &) { return ++windows, 0; });
    w.SendButtonClick();
    EXPECT_EQ(windows, 0);
    const auto calls = msgs.calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2].text, "Fax has no contents or cover sheet");
    EXPECT_EQ(calls.back().kind, Kind::Information);
    EXPECT_EQ(calls.back().text, "Error creating fax file");
    EXPECT_EQ(w.statusText(), "");
    EXPECT_TRUE(apfFiles().isEmpty());
}

TEST_F(MainScreenSend, FailedAttemptIsWrittenAndTheDialChoicesKept)
{
    addFax(kTwoPages);
    TMainScreen w;
    std::string fileDuringSend;
    QString to, subject, number, prefix;
    bool suffixOff = false;
    compose::setModalRunner([&](QDialog &dialog) {
        auto &form = dynamic_cast<TSendFaxForm &>(dialog);
        form.show();
        fileDuringSend = form.job().faxFile();
        to = form.toLabel()->text();
        subject = form.subjectLabel()->text();
        number = form.phoneEdit()->text();
        prefix = form.prefixEdit()->text();
        suffixOff = form.suffixCheck()->isChecked();
        form.phoneEdit()->setText(QStringLiteral("555-0199"));
        form.prefixEdit()->setText(QStringLiteral("8,"));
        form.sendButton()->click();  // no such port
        form.closeButton()->click();
        return form.result();
    });
    w.SendButtonClick();
    EXPECT_EQ(fileDuringSend, data + "QLN_1.APF");
    EXPECT_EQ(to, "Jane Smith");
    EXPECT_EQ(subject, "Quote");
    EXPECT_EQ(number, "555-0100");
    EXPECT_EQ(prefix, "9,");
    EXPECT_TRUE(suffixOff);
    EXPECT_EQ(w.pagesOfLastRendering(), 2);
    EXPECT_TRUE(apfFiles().isEmpty());

    const records::OutgoingFax r = storedRow(w);
    EXPECT_EQ(r.pages, 2);
    EXPECT_EQ(r.lastResult, "Error opening communications port");
    EXPECT_EQ(r.phone, "555-0199");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(msgs.count(Kind::ShowError), 1u);
    EXPECT_TRUE(fileExists("Lastsend.log"));

    IniFile ini(data + "QLN.INI");
    EXPECT_EQ(ini.readString("Dialing", "DialPrefix", ""), "8,");
    EXPECT_EQ(ini.readString("User", "SuffixDisable", ""), "1");
}

TEST_F(MainScreenSend, ClosingWithoutAnAttemptLeavesTheRecord)
{
    addFax(kTwoPages);
    TMainScreen w;
    compose::setModalRunner([&](QDialog &dialog) {
        auto &form = dynamic_cast<TSendFaxForm &>(dialog);
        form.phoneEdit()->setText(QStringLiteral("   "));
        form.sendButton()->click();  // "Phone number is blank"
        form.closeButton()->click();
        return form.result();
    });
    w.SendButtonClick();
    EXPECT_EQ(msgs.last().text, "Phone number is blank");
    const records::OutgoingFax r = storedRow(w);
    EXPECT_EQ(r.phone, "555-0100");
    EXPECT_EQ(r.pages, 0);
    EXPECT_EQ(r.lastResult, "");
    EXPECT_TRUE(apfFiles().isEmpty());
}
