// Damaged and unusual input, one table run through open, merge, a reference helper's load and the re-open
// of a scene whose helper names it: each refused with its exact error, the open scene as it was.
#include "tests/plugin/helper/HelperTestSupport.h"
#include "tests/support/NotificationRecorder.h"

#include <sys/stat.h>

#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A scene file's 12-byte header followed by rest.
Bytes SceneHeaderAnd(std::initializer_list<std::uint8_t> rest) {
    Bytes b{'O', 'S', 'T', 'R', 'S', 'C', 'N', '1', 1, 0, 0, 0};
    for (std::uint8_t byte : rest) b.push_back(byte);
    return b;
}

void WriteBytes(const fs::path& p, const Bytes& bytes) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
}

struct Row {
    const char* name;
    // Makes the input in dir from the valid file and returns its path.
    std::function<fs::path(const fs::path& dir, const Bytes& valid)> make;
    // The error, "@" standing for the path.
    const char* error;
};

const Row kRows[] = {
    {"truncated", [](const fs::path& d, const Bytes& v) {
         WriteBytes(d / "cut.max", Bytes(v.begin(), v.begin() + 15));
         return d / "cut.max";
     },
     "\"@\": chunk header at offset 12: 3 bytes left in the stream, a header needs 6"},
    {"flipped version byte", [](const fs::path& d, Bytes v) {
         v[8] ^= 0xFF;
         WriteBytes(d / "flipped.max", v);
         return d / "flipped.max";
     },
     "\"@\": offset 8: scene file version 254, this host reads version 1"},
    {"huge count", [](const fs::path& d, const Bytes&) { // empty class and object tables, 2^32-1 nodes
         WriteBytes(d / "count.max", SceneHeaderAnd({0x00, 0x10, 6, 0, 0, 0, 0x00, 0x20, 6, 0, 0, 0, 0x00, 0x30, 10, 0,
                                                     0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
         return d / "count.max";
     },
     "\"@\": offset 24: node list: 4294967295 nodes announced, the chunk holds 0"},
    {"chunk length past the end", [](const fs::path& d, const Bytes&) {
         WriteBytes(d / "long.max", SceneHeaderAnd({0x00, 0x10, 0xFF, 0xFF, 0xFF, 0xFF}));
         return d / "long.max";
     },
     "\"@\": chunk 0x1000 at offset 12: length 2147483647 runs past the end of the stream (ends at 18)"},
    {"missing", [](const fs::path& d, const Bytes&) { return d / "missing.max"; },
     "cannot open \"@\": No such file or directory"},
    {"device", [](const fs::path&, const Bytes&) { return fs::path("/dev/zero"); },
     "cannot open \"@\": not a regular file (a character device)"},
    {"FIFO", [](const fs::path& d, const Bytes&) {
         EXPECT_EQ(::mkfifo((d / "pipe.max").c_str(), 0600), 0);
         return d / "pipe.max";
     },
     "cannot open \"@\": not a regular file (a FIFO)"},
    {"folder", [](const fs::path& d, const Bytes&) {
         fs::create_directory(d / "folder.max");
         return d / "folder.max";
     },
     "cannot open \"@\": not a regular file (a folder)"},
    {"dangling link", [](const fs::path& d, const Bytes&) {
         fs::create_symlink(d / "nowhere.max", d / "dangling.max");
         return d / "dangling.max";
     },
     "cannot open \"@\": No such file or directory"},
    {"link loop", [](const fs::path& d, const Bytes&) {
         fs::create_symlink("loop2.max", d / "loop1.max");
         fs::create_symlink("loop1.max", d / "loop2.max");
         return d / "loop1.max";
     },
     "cannot open \"@\": Too many levels of symbolic links"},
};

} // namespace

class DamagedInputTest : public HelperFileFixture {};

TEST_F(DamagedInputTest, EachInputIsRefusedWithItsErrorAndTheSceneAsItWas) {
    b.Box("Wall01").Build();
    const MSTR validFile = WStr::FromUTF8((dir_ / "valid.max").string());
    ASSERT_TRUE(ip->SaveToFile(validFile.c_str(), false, false)) << ip->GetLastFileError();
    std::ifstream in(validFile.ToUTF8(), std::ios::binary);
    const Bytes valid{std::istreambuf_iterator<char>(in), {}};
    const MSTR holder = WStr::FromUTF8((dir_ / "holder.max").string());

    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        ip->FileReset(TRUE);
        const MSTR path = WStr::FromUTF8(row.make(dir_, valid).string());
        std::string expected = row.error;
        expected.replace(expected.find('@'), 1, path.ToUTF8());
        b.Box("Keep01").Layer("Walls").Build();
        OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
        {
            AccessorDisabler off(h);
            h->GetParamBlock()->SetValue(pb_filename, 0, path.c_str());
        }
        const std::string before = Dump();

        NotificationRecorder opens({NOTIFY_FILE_PRE_OPEN, NOTIFY_FILE_POST_OPEN});
        EXPECT_FALSE(ip->LoadFromFile(path.c_str(), FALSE));
        EXPECT_EQ(ip->GetLastFileError().ToUTF8(), expected) << "open";
        EXPECT_EQ(opens.Text(), "");
        EXPECT_EQ(ip->MergeFromFile(path.c_str(), TRUE), 0);
        EXPECT_EQ(ip->GetLastFileError().ToUTF8(), expected) << "merge";
        EXPECT_EQ(h->Load(), 0);
        EXPECT_EQ(ip->GetLastFileError().ToUTF8(), expected) << "reference load";
        EXPECT_EQ(Dump(), before);

        // Saved and opened again, the helper tries its file once more: the scene opens all the same.
        ASSERT_TRUE(ip->SaveToFile(holder.c_str()));
        ip->FileReset(TRUE);
        EXPECT_TRUE(ip->LoadFromFile(holder.c_str(), FALSE));
        EXPECT_EQ(ip->GetLastFileError().ToUTF8(), expected) << "re-open";
        EXPECT_EQ(Dump(), before);
    }
}
