// The image file of a received fax: found in the receive directory without
// regard to case, and never anything outside it.
#include "records/receivedfile.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

using namespace qln::records;

namespace {
class ReceivedFileTest : public test::TempDirTest {
protected:
    std::string data() const { return dir + "/"; }
};
} // namespace

TEST_F(ReceivedFileTest, PlainNameInsideReceiveDirectoryIsTheTarget)
{
    std::filesystem::create_directory(path("receive"));
    writeFile(path("receive/fax0001.apf"), "APF");
    // The stored name may differ in case from the file on disk.
    const ReceivedFileTarget t = LocateReceivedFile(data(), "FAX0001.APF ");
    ASSERT_EQ(t.kind, ReceivedFileTarget::Kind::File);
    EXPECT_EQ(t.path, data() + "receive/fax0001.apf");
}

TEST_F(ReceivedFileTest, UpperCaseReceiveDirectoryIsFound)
{
    std::filesystem::create_directory(path("RECEIVE"));
    const ReceivedFileTarget t = LocateReceivedFile(dir, "FAX0002.APF");
    ASSERT_EQ(t.kind, ReceivedFileTarget::Kind::File);
    EXPECT_EQ(t.path, data() + "RECEIVE/FAX0002.APF");
}

TEST_F(ReceivedFileTest, NamesLeavingTheReceiveDirectoryAreRefused)
{
    std::filesystem::create_directory(path("receive"));
    for (const char *bad : {"../QLN.DBF", "..\\QLN.DBF", "/etc/passwd", "\\etc\\passwd", "..", ".", "sub/x.apf",
                            "C:x.apf", "receive/../../x"}) {
        const ReceivedFileTarget t = LocateReceivedFile(data(), bad);
        EXPECT_EQ(t.kind, ReceivedFileTarget::Kind::Refused) << bad;
        EXPECT_TRUE(t.path.empty()) << bad;
    }
    EXPECT_EQ(LocateReceivedFile(data(), std::string("a\0b", 3)).kind, ReceivedFileTarget::Kind::Refused);
    EXPECT_EQ(LocateReceivedFile(data(), "   ").kind, ReceivedFileTarget::Kind::None);
    EXPECT_EQ(LocateReceivedFile(data(), "").kind, ReceivedFileTarget::Kind::None);
}

TEST_F(ReceivedFileTest, RemovalTouchesOnlyTheNamedFileOrLink)
{
    std::filesystem::create_directory(path("receive"));
    std::filesystem::create_directory(path("receive/SUB.APF"));
    writeFile(path("receive/fax0001.apf"), "APF");
    writeFile(path("outside.apf"), "keep");
    ASSERT_EQ(::symlink(path("outside.apf").c_str(), path("receive/link.apf").c_str()), 0);
    std::string error;

    EXPECT_EQ(RemoveReceivedFile(data(), "FAX0001.APF", error), ReceivedFileRemoval::Removed);
    EXPECT_FALSE(std::filesystem::exists(path("receive/fax0001.apf")));
    EXPECT_EQ(RemoveReceivedFile(data(), "FAX0001.APF", error), ReceivedFileRemoval::AlreadyGone);
    EXPECT_EQ(error, "");
    // A link goes, its target stays.
    EXPECT_EQ(RemoveReceivedFile(data(), "link.apf", error), ReceivedFileRemoval::Removed);
    EXPECT_EQ(readFile(path("outside.apf")), "keep");
    // A directory, or a name that climbs out, is refused with a reason.
    EXPECT_EQ(RemoveReceivedFile(data(), "sub.apf", error), ReceivedFileRemoval::Refused);
    EXPECT_TRUE(std::filesystem::is_directory(path("receive/SUB.APF")));
    EXPECT_NE(error.find("no file was deleted"), std::string::npos);
    EXPECT_EQ(RemoveReceivedFile(data(), "../outside.apf", error), ReceivedFileRemoval::Refused);
    EXPECT_EQ(readFile(path("outside.apf")), "keep");
    EXPECT_EQ(RemoveReceivedFile(data(), " ", error), ReceivedFileRemoval::NoFile);
}

TEST_F(ReceivedFileTest, FileThatCannotBeRemovedIsReported)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root removes files from read-only directories";
    std::filesystem::create_directory(path("receive"));
    writeFile(path("receive/fax0003.apf"), "APF");
    ::chmod(path("receive").c_str(), 0500);
    std::string error;
    EXPECT_EQ(RemoveReceivedFile(data(), "fax0003.apf", error), ReceivedFileRemoval::Failed);
    EXPECT_NE(error.find("Unable to delete"), std::string::npos);
    ::chmod(path("receive").c_str(), 0700);
}
