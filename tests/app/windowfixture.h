// A temporary data directory with the scripted message interface installed,
// and helpers that put rows into its fax tables through the table binding.
#pragma once

#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "records/faxtables.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <string>

namespace qln::testing {

struct OutRow {
    std::string subject, recipient, phone, date, time;
    bool sent = false;
};
struct InRow {
    std::string date, time, from, faxFile, notes;
    int pages = 1;
};

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        data = dir.path().toStdString() + "/";
        setDataDirectoryOverride(data);
        setMessages(&msgs);
        settings() = Settings{};
    }
    void TearDown() override
    {
        setMessages(nullptr);
        setDataDirectoryOverride({});
    }

    // A settings file with a modem, so start-up has no quick set-up to run.
    void writeIni(const std::string &extra = {})
    {
        QFile f(QString::fromStdString(data + "QLN.INI"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("[Modem]\nComPort=0\n" + extra).c_str());
    }

    void addOutgoing(const std::vector<OutRow> &rows)
    {
        records::FaxTables t(data);
        ASSERT_TRUE(t.OpenFaxDBF());
        for (const OutRow &r : rows) {
            t.FaxTable.Append();
            t.FaxTable.SetString("SUBJECT", r.subject);
            t.FaxTable.SetString("RECIPIENT", r.recipient);
            t.FaxTable.SetString("PHONE", r.phone);
            t.FaxTable.SetLogical("SENT", r.sent);
            if (!r.date.empty())
                t.FaxTable.SetDate("DATESENT", r.date);
            t.FaxTable.SetString("TIMESENT", r.time);
            t.FaxTable.Post();
        }
        t.CloseAll();
    }

    void addIncoming(const std::vector<InRow> &rows)
    {
        records::FaxTables t(data);
        ASSERT_TRUE(t.OpenRecFaxDBF());
        for (const InRow &r : rows) {
            t.RecTable.Append();
            t.RecTable.SetDate("DATEREC", r.date);
            t.RecTable.SetString("TIMEREC", r.time);
            t.RecTable.SetString("FROM", r.from);
            t.RecTable.SetNumber("PAGES", r.pages);
            t.RecTable.SetString("FAXFILE", r.faxFile);
            t.RecTable.SetString("NOTES", r.notes);
            t.RecTable.Post();
        }
        t.CloseAll();
    }

    bool fileExists(const std::string &rel) const
    {
        return QFile::exists(QString::fromStdString(data + rel));
    }
    void touch(const std::string &rel)
    {
        QFile f(QString::fromStdString(data + rel));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("APF");
    }

    QTemporaryDir dir;
    std::string data;
    ScriptedMessages msgs;
};

}  // namespace qln::testing
