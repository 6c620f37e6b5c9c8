// A temporary data directory with the scripted message interface installed
// and the fax tables of the binding on it, for the composition tests.
#pragma once

#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "records/faxtables.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>
#include <string>

namespace qln::compose::test {

class ComposeFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        data = dir.path().toStdString() + "/";
        setDataDirectoryOverride(data);
        setMessages(&msgs);
        settings() = Settings{};
        tables = std::make_unique<records::FaxTables>(data);
    }
    void TearDown() override
    {
        tables.reset();
        setMessages(nullptr);
        setDataDirectoryOverride({});
    }

    QTemporaryDir dir;
    std::string data;
    ScriptedMessages msgs;
    std::unique_ptr<records::FaxTables> tables;
};

}  // namespace qln::compose::test
