// A temporary data directory with the scripted message interface installed
// and the fax tables of the binding on it, for the composition tests.
#pragma once

#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "records/faxtables.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <memory>
#include <string>

namespace qln::compose::test {

// While it lives, every write of this process that would make a file
// larger than `bytes` fails (EFBIG), as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit old_{};
    void (*previous_)(int) = SIG_DFL;
};

// The size of a file in bytes (0 when it is missing).
inline rlim_t fileSize(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? rlim_t(st.st_size) : 0;
}

// Lines of words, about `bytes` long: a text too long for a file limit.
inline QString longText(int bytes)
{
    QString s;
    for (int i = 0; s.size() < bytes; ++i)
        s += QStringLiteral("line %1 of a long text that fills the memo file\n").arg(i);
    return s;
}

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
