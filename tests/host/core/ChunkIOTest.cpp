// Chunk streams: what is saved comes back, in memory and through files.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/FileTime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {
using Bytes = std::vector<std::uint8_t>;

template <class T> void Put(ISave& s, T v) {
    ULONG n = 0;
    ASSERT_EQ(s.Write(&v, sizeof v, &n), IO_OK);
    ASSERT_EQ(n, sizeof v);
}

template <class T> T Get(ILoad& l) {
    T v{};
    ULONG n = 0;
    EXPECT_EQ(l.Read(&v, sizeof v, &n), IO_OK) << l.GetLastError();
    EXPECT_EQ(n, sizeof v);
    return v;
}

void ValueChunk(ISave& s, USHORT id, std::int32_t v) {
    s.BeginChunk(id);
    Put(s, v);
    s.EndChunk();
}

void StringChunk(ISave& s, USHORT id, const wchar_t* text) {
    s.BeginChunk(id);
    EXPECT_EQ(s.WriteWString(text), IO_OK);
    s.EndChunk();
}

void Enter(ILoad& l, USHORT id) {
    ASSERT_EQ(l.OpenChunk(), IO_OK) << l.GetLastError();
    ASSERT_EQ(l.CurChunkID(), id);
}

Bytes Finished(ChunkSave& s) {
    EXPECT_EQ(s.Commit(), IO_OK) << s.GetLastError();
    return s.Bytes();
}

// A fresh folder for file tests, removed afterwards.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        char tmpl[] = "/tmp/chunkio-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    WStr File(const char* name) const { return WStr::FromUTF8((path / name).string()); }
};
} // namespace

TEST(ChunkSave, LayoutIsIdThenLengthWithContainerBitLittleEndian) {
    ChunkSave s;
    ValueChunk(s, 0x2010, 0x04030201);
    s.BeginChunk(0x0006);
    s.BeginChunk(0x0001);
    s.EndChunk();
    s.EndChunk();
    const Bytes expected = {0x10, 0x20, 0x0A, 0, 0, 0,    1,    2, 3, 4, // data chunk, length includes header
                            0x06, 0x00, 0x0C, 0, 0, 0x80,                // container: bit 31
                            0x01, 0x00, 0x06, 0, 0, 0};                  // empty data chunk
    EXPECT_EQ(Finished(s), expected);
    EXPECT_EQ(ChunkLoad::Dump(expected), "0x2010 data @0 len 4: 01 02 03 04\n"
                                         "0x0006 container @10 len 6\n"
                                         "  0x0001 data @16 len 0\n");
}

TEST(ChunkLoad, NestedChunksAndRawValuesRoundTrip) {
    ChunkSave s;
    ValueChunk(s, 0x0000, 7);
    s.BeginChunk(0x0010);
    s.BeginChunk(0x0011);
    s.BeginChunk(0x0012);
    EXPECT_EQ(s.CurChunkDepth(), 3);
    Put(s, 1.5f);
    Put(s, -2.25);
    Put(s, std::uint8_t{0xAB});
    Put(s, std::uint64_t{0x0102030405060708ULL});
    s.EndChunk();
    ValueChunk(s, 0x0013, -1);
    s.EndChunk();
    ValueChunk(s, 0x0014, 42);
    s.EndChunk();
    EXPECT_EQ(s.CurChunkDepth(), 0);

    ChunkLoad l(Finished(s));
    Enter(l, 0x0000);
    EXPECT_EQ(l.CurChunkLength(), 4u);
    EXPECT_EQ(Get<std::int32_t>(l), 7);
    EXPECT_EQ(l.OpenChunk(), IO_END); // a fully read data chunk has no sub-chunks left
    l.CloseChunk();
    Enter(l, 0x0010);
    Enter(l, 0x0011);
    Enter(l, 0x0012);
    EXPECT_EQ(l.CurChunkDepth(), 3);
    EXPECT_EQ(l.CurChunkLength(), 4u + 8u + 1u + 8u);
    EXPECT_EQ(Get<float>(l), 1.5f);
    EXPECT_EQ(Get<double>(l), -2.25);
    EXPECT_EQ(Get<std::uint8_t>(l), 0xAB);
    EXPECT_EQ(Get<std::uint64_t>(l), 0x0102030405060708ULL);
    l.CloseChunk();
    Enter(l, 0x0013);
    EXPECT_EQ(Get<std::int32_t>(l), -1);
    l.CloseChunk();
    EXPECT_EQ(l.OpenChunk(), IO_END);
    l.CloseChunk();
    Enter(l, 0x0014);
    EXPECT_EQ(Get<std::int32_t>(l), 42);
    l.CloseChunk();
    EXPECT_EQ(l.OpenChunk(), IO_END);
    l.CloseChunk();
    EXPECT_EQ(l.CurChunkDepth(), 0);
    EXPECT_EQ(l.OpenChunk(), IO_END);
    EXPECT_EQ(l.GetLastError(), WStr());
}

TEST(ChunkLoad, EmptyChunksOpenCleanlyAndHoldNothing) {
    ChunkSave s;
    s.BeginChunk(0x0019);
    s.EndChunk();
    StringChunk(s, 0x0008, L"");
    s.BeginChunk(0x0030);
    s.BeginChunk(0x0031);
    s.EndChunk();
    s.EndChunk();
    ChunkLoad l(Finished(s));

    Enter(l, 0x0019);
    EXPECT_EQ(l.CurChunkLength(), 0u);
    EXPECT_EQ(l.OpenChunk(), IO_END);
    std::uint8_t b = 0;
    ULONG n = 99;
    EXPECT_EQ(l.Read(&b, 1, &n), IO_ERROR); // nothing to read, and it says so
    EXPECT_EQ(n, 0u);
    l.CloseChunk();
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    MSTR str(L"stale");
    EXPECT_EQ(l.ReadWStringChunk(str), IO_OK);
    EXPECT_EQ(str, WStr(L""));
    l.CloseChunk();
    Enter(l, 0x0030);
    Enter(l, 0x0031);
    EXPECT_EQ(l.OpenChunk(), IO_END);
    l.CloseChunk();
    EXPECT_EQ(l.OpenChunk(), IO_END);
    l.CloseChunk();
    EXPECT_EQ(l.OpenChunk(), IO_END);
}

TEST(ChunkLoad, WideStringsSurviveNonAsciiAndSurrogatePairs) {
    const wchar_t* names[] = {L"Box01", L"W\u00e4nd_\u6728\u0416", L"\U0001F600 smile", L"a\u00e9\U00010348z"};
    ChunkSave s;
    for (const wchar_t* n : names) StringChunk(s, 0x0024, n);
    s.BeginChunk(0x0025);
    EXPECT_EQ(s.WriteCString("plain bytes \xC3\xA9"), IO_OK);
    s.EndChunk();
    const Bytes bytes = Finished(s);
    // The emoji is stored as one UTF-16LE surrogate pair: D83D DE00.
    const Bytes pair = {0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), pair.begin(), pair.end()), bytes.end());

    ChunkLoad l(bytes);
    std::vector<MCHAR*> kept;
    for (size_t i = 0; i < std::size(names); ++i) {
        ASSERT_EQ(l.OpenChunk(), IO_OK);
        if (i % 2 == 0) {
            MSTR str;
            ASSERT_EQ(l.ReadWStringChunk(str), IO_OK) << l.GetLastError();
            EXPECT_EQ(str, WStr(names[i]));
        } else {
            MCHAR* p = nullptr;
            ASSERT_EQ(l.ReadWStringChunk(p), IO_OK) << l.GetLastError();
            kept.push_back(p);
        }
        l.CloseChunk();
    }
    // Pointers handed out earlier stay valid after later reads.
    EXPECT_EQ(WStr(kept[0]), WStr(names[1]));
    EXPECT_EQ(WStr(kept[1]), WStr(names[3]));
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    char* c = nullptr;
    ASSERT_EQ(l.ReadCStringChunk(c), IO_OK);
    EXPECT_STREQ(c, "plain bytes \xC3\xA9");
}

TEST(ChunkLoad, UnknownChunksBetweenKnownOnesAreSkipped) {
    ChunkSave s;
    ValueChunk(s, 0x0001, 11);
    s.BeginChunk(0x0777); // a later version's container, with data deep inside
    s.BeginChunk(0x0001);
    ValueChunk(s, 0x0002, 99);
    s.EndChunk();
    s.EndChunk();
    ValueChunk(s, 0x0010, 555);
    ValueChunk(s, 0x0002, 22);

    ChunkLoad l(Finished(s));
    std::vector<int> got;
    IOResult r;
    while ((r = l.OpenChunk()) == IO_OK) {
        switch (l.CurChunkID()) {
        case 0x0001: got.push_back(Get<std::int32_t>(l)); break;
        case 0x0002: got.push_back(Get<std::int32_t>(l)); break;
        default: break;
        }
        ASSERT_EQ(l.CloseChunk(), IO_OK);
    }
    EXPECT_EQ(r, IO_END);
    EXPECT_EQ(got, (std::vector<int>{11, 22}));
}

TEST(ChunkLoad, PartlyReadChunkClosesAtItsEnd) {
    ChunkSave s;
    s.BeginChunk(0x0012);
    for (std::int32_t i = 0; i < 9; ++i) Put(s, i);
    s.EndChunk();
    ValueChunk(s, 0x0013, 1234);
    ChunkLoad l(Finished(s));

    EXPECT_EQ(l.PeekNextChunkID(), 0x0012);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(Get<std::int32_t>(l), 0);
    EXPECT_EQ(Get<std::int32_t>(l), 1);
    EXPECT_EQ(l.PeekNextChunkID(), 0); // inside a data chunk there is no next chunk
    l.CloseChunk();
    EXPECT_EQ(l.PeekNextChunkID(), 0x0013);
    EXPECT_EQ(l.CurChunkDepth(), 0); // peeking does not enter
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(Get<std::int32_t>(l), 1234);
    l.CloseChunk();
    EXPECT_EQ(l.PeekNextChunkID(), 0);
}

TEST(ChunkLoad, RawPrologueBeforeTheFirstChunk) {
    // The scene file puts its magic and version in front of its chunks.
    ChunkSave s;
    ASSERT_EQ(s.Write("OSTR", 4, nullptr), IO_OK);
    Put(s, std::uint32_t{3});
    ValueChunk(s, 0x0001, 5);
    ChunkLoad l(Finished(s));
    char magic[4];
    ASSERT_EQ(l.Read(magic, 4, nullptr), IO_OK);
    EXPECT_EQ(std::memcmp(magic, "OSTR", 4), 0);
    EXPECT_EQ(Get<std::uint32_t>(l), 3u);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(Get<std::int32_t>(l), 5);
    EXPECT_EQ(ChunkLoad::Dump(l.Bytes(), 8), "0x0001 data @8 len 4: 05 00 00 00\n");
}

TEST(ChunkSave, MisuseIsReportedAndFailsTheWholeStream) {
    {
        ChunkSave s;
        ValueChunk(s, 0x0001, 1);
        EXPECT_EQ(s.EndChunk(), IO_ERROR);
        EXPECT_EQ(s.GetLastError(), WStr(L"EndChunk at offset 10 without a matching BeginChunk"));
        // Sticky: later writes do nothing and the stream cannot be committed.
        s.BeginChunk(0x0002);
        EXPECT_EQ(s.Write("x", 1, nullptr), IO_ERROR);
        EXPECT_EQ(s.Commit(), IO_ERROR);
        EXPECT_EQ(s.Bytes().size(), 10u);
        EXPECT_EQ(s.GetLastError(), WStr(L"EndChunk at offset 10 without a matching BeginChunk"));
    }
    {
        ChunkSave s;
        s.BeginChunk(0x0015);
        Put(s, std::int32_t{2});
        s.BeginChunk(0x0017);
        EXPECT_TRUE(s.Failed());
        EXPECT_EQ(s.GetLastError(),
                  WStr(L"chunk 0x0015 at offset 0 already holds data; sub-chunk 0x0017 cannot follow it"));
    }
    {
        ChunkSave s;
        s.BeginChunk(0x0006);
        s.BeginChunk(0x0000);
        s.EndChunk();
        EXPECT_EQ(s.Write("ab", 2, nullptr), IO_ERROR);
        EXPECT_EQ(s.GetLastError(),
                  WStr(L"chunk 0x0006 at offset 0 holds sub-chunks; 2 bytes of data cannot follow them"));
    }
    {
        ChunkSave s;
        s.BeginChunk(0x00A0);
        s.BeginChunk(0x00B0);
        EXPECT_EQ(s.Commit(), IO_ERROR);
        EXPECT_EQ(s.GetLastError(),
                  WStr(L"2 chunk(s) still open at the end of the stream: 0x00A0 at offset 0, 0x00B0 at offset 6"));
    }
    {
        ChunkSave s;
        for (int i = 0; i < kChunkMaxDepth; ++i) s.BeginChunk(0x0001);
        EXPECT_FALSE(s.Failed());
        s.BeginChunk(0x0002);
        EXPECT_EQ(s.GetLastError(), WStr(L"chunk 0x0002 at offset 6000: nesting deeper than 1000 levels"));
    }
}

TEST(ChunkFile, SavesAtomicallyAndLoadsBack) {
    TempDir dir;
    const WStr path = dir.File("scene \u00e9.osc");
    {
        ChunkSave s(path);
        EXPECT_EQ(WStr(s.FileName()), path);
        EXPECT_EQ(s.GetRefID(&s), -1); // a plain stream has no object table
        StringChunk(s, 0x0008, L"\u6728");
        ASSERT_EQ(s.Commit(), IO_OK) << s.GetLastError();
    }
    ChunkLoad l;
    ASSERT_EQ(l.OpenFile(path), IO_OK) << l.GetLastError();
    EXPECT_EQ(WStr(l.GetFileName()), path);
    void* patched = &l;
    l.RecordBackpatch(3, &patched);
    EXPECT_EQ(patched, &l);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    MSTR name;
    ASSERT_EQ(l.ReadWStringChunk(name), IO_OK);
    EXPECT_EQ(name, WStr(L"\u6728"));

    // A save that fails leaves the previous file whole and no temporary file behind.
    const auto before = std::filesystem::file_size(NormalizePath(path).ToUTF8());
    {
        ChunkSave s(path);
        ValueChunk(s, 0x0001, 1);
        s.BeginChunk(0x0002);
        EXPECT_EQ(s.Commit(), IO_ERROR);
        EXPECT_EQ(s.GetLastError(),
                  WStr(L"\"") + path + L"\": 1 chunk(s) still open at the end of the stream: 0x0002 at offset 10");
    }
    EXPECT_EQ(std::filesystem::file_size(NormalizePath(path).ToUTF8()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);

    // A new save replaces it whole.
    ChunkSave again(path);
    ValueChunk(again, 0x0001, 1);
    ASSERT_EQ(again.Commit(), IO_OK);
    ChunkLoad reread;
    ASSERT_EQ(reread.OpenFile(path), IO_OK);
    EXPECT_EQ(reread.Bytes(), again.Bytes());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

TEST(ChunkFile, FailuresNameThePathAndTheReason) {
    TempDir dir;
    const WStr missing = dir.File("no/such/folder/a.osc");
    ChunkSave s(missing);
    ValueChunk(s, 0x0001, 1);
    EXPECT_EQ(s.Commit(), IO_ERROR);
    EXPECT_EQ(s.GetLastError(),
              WStr(L"cannot create a temporary file next to \"") + missing + L"\": No such file or directory");

    ChunkLoad l;
    EXPECT_EQ(l.OpenFile(missing), IO_ERROR);
    EXPECT_EQ(l.GetLastError(), WStr(L"cannot open \"") + missing + L"\": No such file or directory");
    EXPECT_EQ(l.OpenChunk(), IO_END); // nothing half-loaded

    const WStr folder = WStr::FromUTF8(dir.path.string());
    EXPECT_EQ(l.OpenFile(folder), IO_ERROR);
    EXPECT_EQ(l.GetLastError(), WStr(L"cannot read \"") + folder + L"\": Is a directory");

    // Replacing a folder with a file fails after the data was written; the temporary file goes away.
    std::filesystem::create_directory(dir.path / "taken");
    ChunkSave onto(dir.File("taken"));
    ValueChunk(onto, 0x0001, 1);
    EXPECT_EQ(onto.Commit(), IO_ERROR);
    EXPECT_EQ(onto.GetLastError(), WStr(L"cannot replace \"") + dir.File("taken") + L"\": Is a directory");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}
