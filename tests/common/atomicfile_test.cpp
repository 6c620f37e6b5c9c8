// Whole-file replacement: contents, permissions kept, and failures that
// leave the old file and no temporary behind.
#include "common/atomicfile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testdir.h"

using qln::writeFileAtomically;
using qln::test::TempDir;
namespace fs = std::filesystem;

namespace {
int entries(const std::string &dir)
{
    int n = 0;
    for ([[maybe_unused]] const auto &e : fs::directory_iterator(dir))
        ++n;
    return n;
}
}  // namespace

TEST(AtomicFile, ReplacesContentsAndKeepsPermissions)
{
    TempDir d;
    d.write("log.txt", "old contents that are longer");
    fs::permissions(d.file("log.txt"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(writeFileAtomically(d.file("log.txt"), std::string("new\0data", 8)));
    EXPECT_EQ(d.read("log.txt"), std::string("new\0data", 8));
    EXPECT_EQ(fs::status(d.file("log.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(writeFileAtomically(d.file("empty"), ""));
    EXPECT_EQ(fs::file_size(d.file("empty")), 0u);
    EXPECT_EQ(entries(d.path()), 2);
}

TEST(AtomicFile, FailureKeepsOldStateAndReportsWhy)
{
    TempDir d;
    fs::create_directory(d.file("dir"));
    d.write("dir/inside", "keep");
    std::string why;
    EXPECT_FALSE(writeFileAtomically(d.file("dir"), "x", &why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(d.read("dir/inside"), "keep");
    EXPECT_EQ(entries(d.path()), 1) << "temporary file left behind";
    EXPECT_FALSE(writeFileAtomically(d.file("missing/x.txt"), "x"));
}
