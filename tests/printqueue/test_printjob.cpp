// The print queue's decisions: which job options are taken and how, and for
// whom the back end may act.
#include "printqueue/backend.h"
#include "printqueue/printjob.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

using namespace qln::printqueue;

TEST(PrintJobOptions, QuotedValuesEscapesAndBareFlagsAreParsed)
{
    const auto o = parseJobOptions("phone=100 to='Jane Smith' Title=\"a \\\"b\\\"\" collate nosend job-uuid=urn:x");
    EXPECT_EQ(o.at("phone"), "100");
    EXPECT_EQ(o.at("to"), "Jane Smith");
    EXPECT_EQ(o.at("title"), "a \"b\"");
    EXPECT_EQ(o.at("collate"), "true");
    EXPECT_EQ(o.at("send"), "false");
    EXPECT_EQ(o.at("job-uuid"), "urn:x");
}

TEST(PrintJobOptions, NumberSendAndRecipientAreTakenFromTheOptions)
{
    const PrintJobRequest r = requestFromOptions("number-up=1 phone='+1 (555) 010-0,,9#' send=now to=Jane");
    EXPECT_EQ(r.phone, "+1 (555) 010-0,,9#");
    EXPECT_TRUE(r.sendNow);
    EXPECT_EQ(r.recipient, "Jane");
    const PrintJobRequest none = requestFromOptions("job-uuid=urn:uuid:1 send=later");
    EXPECT_EQ(none.phone, "");
    EXPECT_FALSE(none.sendNow);
}

// The number goes into the modem's dial command: anything that could end
// it and start another command is refused.
TEST(PrintJobOptions, NumberThatCouldCarryModemCommandsIsRefused)
{
    for (const char *bad : {"phone=100;ATH", "phone='100\rATZ'", "phone='100\r'", "phone=100|x",
                            "phone=ATDT100", "phone=12345678901234567890123456"})
        EXPECT_THROW(requestFromOptions(bad), std::runtime_error) << bad;
    EXPECT_THROW(requestFromOptions("send=maybe"), std::runtime_error);
}

TEST(PrintJobSubject, TitleIsCleanedAndCutToTheSubjectField)
{
    EXPECT_EQ(subjectFromTitle("  Quote\tfor\n\x1b[31mJane  "), "Quote for [31mJane");
    EXPECT_EQ(subjectFromTitle("\x01\x02  "), "Printed document");
    // Cut to 50 characters, never inside a UTF-8 sequence.
    std::string title;
    for (int i = 0; i < 60; ++i)
        title += "\xc3\xa4";
    const std::string subject = subjectFromTitle(title);
    EXPECT_EQ(subject.size(), 100u);
    EXPECT_EQ(subject.substr(98), "\xc3\xa4");
}

TEST(PrintJobDataDirectory, IsTheUsersDefaultQuillonDirectory)
{
    EXPECT_EQ(userDataDirectory("/home/jane/"), "/home/jane/.local/share/Quillon/");
}

TEST(BackendUser, RootUnknownAndForeignUsersAreRefused)
{
    const UserAccount jane{1000, 1000, "jane", "/home/jane"};
    const UserAccount root{0, 0, "root", "/root"};
    EXPECT_FALSE(decideUser("nobody-here", std::nullopt, 0).ok);
    EXPECT_FALSE(decideUser("root", root, 0).ok);
    // A back end CUPS runs as lp cannot act for Jane.
    const UserDecision asLp = decideUser("jane", jane, 7);
    EXPECT_FALSE(asLp.ok);
    EXPECT_NE(asLp.error.find("0700"), std::string::npos);
    const UserDecision asRoot = decideUser("jane", jane, 0);
    EXPECT_TRUE(asRoot.ok);
    EXPECT_TRUE(asRoot.dropPrivileges);
    const UserDecision asJane = decideUser("jane", jane, 1000);
    EXPECT_TRUE(asJane.ok);
    EXPECT_FALSE(asJane.dropPrivileges);
}

namespace {
std::set<std::string> present;
bool isPresent(const std::string &p) { return present.count(p) > 0; }
} // namespace

TEST(BackendQlnfax, InstalledLayoutComesBeforeTheBuildTree)
{
    present = {"/usr/lib/cups/backend/../../../bin/qlnfax", "/usr/lib/cups/backend/../qlnfax/qlnfax"};
    EXPECT_EQ(findQlnfax("/usr/lib/cups/backend/quillon", "/usr/local/bin/qlnfax", isPresent),
              "/usr/lib/cups/backend/../../../bin/qlnfax");
    present = {"/b/tools/printqueue/../qlnfax/qlnfax", "/usr/local/bin/qlnfax"};
    EXPECT_EQ(findQlnfax("/b/tools/printqueue/quillon", "/usr/local/bin/qlnfax", isPresent),
              "/b/tools/printqueue/../qlnfax/qlnfax");
    // Installed outside the prefix: the path the build installs qlnfax to.
    present = {"/usr/local/bin/qlnfax"};
    EXPECT_EQ(findQlnfax("/usr/lib/cups/backend/quillon", "/usr/local/bin/qlnfax", isPresent),
              "/usr/local/bin/qlnfax");
    present = {};
    EXPECT_EQ(findQlnfax("/b/tools/printqueue/quillon", "", isPresent), "");
}

TEST(BackendArguments, DocumentFileIsOptionalAndOptionsPassUnchanged)
{
    const char *six[] = {"quillon", "12", "jane", "Quote", "1", "phone=100 send=now"};
    const auto job = parseBackendArgs(6, six);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->file, "");
    const auto args = qlnfaxArguments("/usr/bin/qlnfax", *job, "/home/jane/.local/share/Quillon/");
    EXPECT_EQ(args, (std::vector<std::string>{"/usr/bin/qlnfax", "printer", "job", "--data-dir",
                                              "/home/jane/.local/share/Quillon/", "--job-id", "12", "--title",
                                              "Quote", "--options", "phone=100 send=now"}));
    EXPECT_FALSE(parseBackendArgs(5, six));
}
