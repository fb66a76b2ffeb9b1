// Damaged and unusual input, one table run through open, merge, a reference helper's load and the re-open
// of a scene whose helper names it: each refused with its exact error, the open scene as it was.
#include "tests/plugin/helper/HelperTestSupport.h"
#include "tests/support/NotificationRecorder.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class DamagedInputTest : public HelperFileFixture {};

TEST_F(DamagedInputTest, EachInputIsRefusedWithItsErrorAndTheSceneAsItWas) {
    b.Box("Wall01").Build();
    ASSERT_TRUE(ip->SaveToFile(WStr::FromUTF8((dir_ / "valid.max").string()).c_str(), false, false));
    std::ifstream in(dir_ / "valid.max", std::ios::binary);
    const Bytes valid{std::istreambuf_iterator<char>(in), {}};
    // Writes the header and rest, or the valid file changed by edit, as name.
    auto file = [&](const char* name, Bytes rest, void (*edit)(Bytes&) = nullptr) {
        Bytes b = edit ? valid : Bytes(valid.begin(), valid.begin() + 12);
        if (edit) edit(b);
        b.insert(b.end(), rest.begin(), rest.end());
        std::ofstream(dir_ / name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::ssize(b));
        return dir_ / name;
    };
    const std::pair<std::function<fs::path()>, const char*> rows[] = {
        {[&] { return file("cut.max", {0, 0x10, 6}); },
         "\"@\": chunk header at offset 12: 3 bytes left in the stream, a header needs 6"},
        {[&] { return file("flipped.max", {}, [](Bytes& b) { b[8] ^= 0xFF; }); },
         "\"@\": offset 8: scene file version 254, this host reads version 1"},
        // An object whose reference table announces 2^32-1 ids.
        {[&] { return file("count.max", {0, 0x10, 6, 0, 0, 0, 0, 0x20, 22, 0, 0, 0x80, 1, 0x20, 16, 0, 0, 0x80, 4, 0x20,
                                        10, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}); },
         "\"@\": offset 30: references: 4294967295 ids announced, the chunk holds 0"},
        {[&] { return file("long.max", {0, 0x10, 0xFF, 0xFF, 0xFF, 0xFF}); },
         "\"@\": chunk 0x1000 at offset 12: length 2147483647 runs past the end of the stream (ends at 18)"},
        {[&] { return dir_ / "missing.max"; }, "cannot open \"@\": No such file or directory"},
        {[&] { return fs::path("/dev/zero"); }, "cannot open \"@\": not a regular file (a character device)"},
        {[&] { return ::mkfifo((dir_ / "pipe.max").c_str(), 0600), dir_ / "pipe.max"; },
         "cannot open \"@\": not a regular file (a FIFO)"},
        {[&] { return fs::create_directory(dir_ / "folder.max"), dir_ / "folder.max"; },
         "cannot open \"@\": not a regular file (a folder)"},
        {[&] { return fs::create_symlink(dir_ / "nowhere.max", dir_ / "dangling.max"), dir_ / "dangling.max"; },
         "cannot open \"@\": No such file or directory"},
        {[&] {
             fs::create_symlink("loop2.max", dir_ / "loop1.max");
             return fs::create_symlink("loop1.max", dir_ / "loop2.max"), dir_ / "loop1.max";
         },
         "cannot open \"@\": Too many levels of symbolic links"},
    };
    const MSTR holder = WStr::FromUTF8((dir_ / "holder.max").string());
    for (const auto& [make, error] : rows) {
        ip->FileReset(TRUE);
        const MSTR path = WStr::FromUTF8(make().string());
        SCOPED_TRACE(path.ToUTF8());
        std::string expected = error;
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
        EXPECT_EQ(ip->GetLastFileError().ToUTF8() + opens.Text(), expected) << "open";
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

// A scene whose helper and records were damaged: the open is refused with the chunk named, and the scene
// that was open stays as it was.
TEST_F(DamagedInputTest, DamagedPluginChunksAreRefusedByNameAndTheOpenSceneKept) {
    b.Box("Wall01").Build();
    const MSTR walls = WStr::FromUTF8((dir_ / "walls.max").string());
    ASSERT_TRUE(ip->SaveToFile(walls.c_str(), false, false));
    ip->FileReset(TRUE);
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    {
        AccessorDisabler off(h);
        h->GetParamBlock()->SetValue(pb_filename, 0, walls.c_str());
        // Kept in the scene file, so the record is written although it carries no change.
        h->GetParamBlock()->SetValue(pb_persist_ref, 0, 1);
    }
    ASSERT_EQ(h->Load(), 1);
    const fs::path scene = dir_ / "scene.max";
    ASSERT_TRUE(ip->SaveToFile(WStr::FromUTF8(scene.string()).c_str()));
    std::ifstream in(scene, std::ios::binary);
    const Bytes valid{std::istreambuf_iterator<char>(in), {}};
    // The record writes its name last of all (after the node): chunks are found by their headers after it.
    const Bytes name = {'W', 0, 'a', 0, 'l', 0, 'l', 0, '0', 0, '1', 0};
    const auto after = std::find_end(valid.begin(), valid.end(), name.begin(), name.end()) - valid.begin();
    const auto find = [&](Bytes header, std::ptrdiff_t from) {
        return std::search(valid.begin() + from, valid.end(), header.begin(), header.end()) - valid.begin();
    };
    // A mirror's state byte (unchanged: 0), then its kind flag.
    const auto state = find({0x27, 0, 7, 0, 0, 0, 0, 0x28, 0, 10, 0, 0, 0}, 0);
    struct Row {
        const char* what;
        std::ptrdiff_t at; // the first byte changed
        Bytes data;
        const char* error;
    };
    const Row rows[] = {
        {"mirror count", find({0x22, 0, 10, 0, 0, 0}, after) + 6, {0xFF, 0xFF, 0xFF, 0x7F}, "0x0022"},
        {"listing count", find({0x2C, 0, 10, 0, 0, 0}, after) + 6, {9, 0, 0, 0}, "0x002C"},
        {"helper's node count", find({0x01, 0, 10, 0, 0, 0}, find({0x27, 0, 14, 0, 0, 0}, 0)) + 6,
         {0xFF, 0xFF, 0xFF, 0x7F}, "0x0001"},
        // The loaded state cut to two bytes, the name after it a character longer: the same bytes in all.
        {"short loaded state", after - 6 - 10,
         {7, 0, 8, 0, 0, 0, 1, 0, 8, 0, 20, 0, 0, 0, 'W', 0, 'a', 0, 'l', 0, 'l', 0, '0', 0, '1', 0, '!', 0},
         "chunk 0x0007"},
        // A mirror's state without its byte, its kind flag after it a byte longer.
        {"empty mirror state", state, {0x27, 0, 6, 0, 0, 0, 0x28, 0, 11, 0, 0, 0, 0}, "chunk 0x0027"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_LT(r.at, std::ssize(valid) - 4);
        Bytes bytes = valid;
        std::copy(r.data.begin(), r.data.end(), bytes.begin() + r.at);
        std::ofstream(dir_ / "damaged.max", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
        ip->FileReset(TRUE);
        b.Box("Keep01").Build();
        const std::string before = Dump();
        EXPECT_FALSE(ip->LoadFromFile(WStr::FromUTF8((dir_ / "damaged.max").string()).c_str(), FALSE));
        const std::string error = ip->GetLastFileError().ToUTF8();
        EXPECT_NE(error.find(r.error), std::string::npos) << error;
        EXPECT_EQ(Dump(), before);
    }
}
