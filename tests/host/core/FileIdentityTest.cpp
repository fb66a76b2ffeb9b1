// File identities: every spelling and link of one file is the same file; what is not a regular file says
// what it is.
#include "host/core/FileIdentity.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TEST(FileIdentity, SpellingsAndLinksOfOneFileAreOneFile) {
    const fs::path dir = fs::temp_directory_path() / "ostrivans-file-identity";
    fs::remove_all(dir);
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "a.max") << "abc";
    std::ofstream(dir / "b.max") << "abc";
    fs::create_symlink(dir / "a.max", dir / "sub" / "link.max");
    fs::create_hard_link(dir / "a.max", dir / "hard.max");
    auto of = [&](const std::string& p) { return FileIdentity::Of(WStr::FromUTF8(dir.string() + p)); };
    const FileIdentity a = of("/a.max");
    for (const char* same : {"//a.max", "/sub/../a.max", "/sub/link.max", "/hard.max"})
        EXPECT_TRUE(a.SameFile(of(same))) << same;
    EXPECT_FALSE(a.SameFile(of("/b.max")));
    EXPECT_FALSE(of("/missing.max").SameFile(of("/missing.max")));
    struct stat st{};
    ASSERT_EQ(::stat((dir / "a.max").c_str(), &st), 0);
    char expected[128];
    std::snprintf(expected, sizeof expected, "regular file, device 0x%llx, inode %llu, 3 bytes",
                  static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino));
    EXPECT_EQ(a.Dump(), expected);
    EXPECT_EQ(of("/sub").Dump().substr(0, 8), "folder, ");
    EXPECT_EQ(of("/missing.max").Dump(), "none (No such file or directory)");
    fs::remove_all(dir);
}
