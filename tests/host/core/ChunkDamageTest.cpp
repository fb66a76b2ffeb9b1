// Damaged chunk streams: each kind of damage gives IO_ERROR with a message that locates it, never a crash.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Header(USHORT id, std::uint32_t length, bool container = false) {
    std::uint32_t w = length | (container ? kChunkContainerBit : 0u);
    return {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(w),
            static_cast<std::uint8_t>(w >> 8), static_cast<std::uint8_t>(w >> 16), static_cast<std::uint8_t>(w >> 24)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Zeros(size_t n) { return Bytes(n, 0); }

// Reads every chunk of the current container, data included, the way a generic loader would.
IOResult Walk(ChunkLoad& l) {
    IOResult r;
    while ((r = l.OpenChunk()) == IO_OK) {
        if (l.CurChunkIsContainer()) {
            if (Walk(l) != IO_OK) return IO_ERROR;
        } else {
            Bytes data(l.CurChunkLength());
            if (!data.empty() && l.Read(data.data(), static_cast<ULONG>(data.size()), nullptr) != IO_OK) return IO_ERROR;
        }
        if (l.CloseChunk() != IO_OK) return IO_ERROR;
    }
    return r == IO_END ? IO_OK : r;
}

IOResult OpenThen(ChunkLoad& l, const std::function<IOResult(ChunkLoad&)>& then) {
    IOResult r = l.OpenChunk();
    return r == IO_OK ? then(l) : r;
}

// Nesting of `levels` containers around one empty data chunk.
Bytes Nested(int levels) {
    Bytes out;
    const auto total = static_cast<std::uint32_t>((levels + 1) * 6);
    for (int i = 0; i < levels; ++i) {
        Bytes h = Header(0x0001, total - static_cast<std::uint32_t>(i) * 6, true);
        out.insert(out.end(), h.begin(), h.end());
    }
    Bytes leaf = Header(0x0001, 6);
    out.insert(out.end(), leaf.begin(), leaf.end());
    return out;
}

struct DamageCase {
    const char* name;
    Bytes bytes;
    std::function<IOResult(ChunkLoad&)> action;
    const wchar_t* error;
};

// A well-formed stream with nesting, strings, empty chunks and siblings, for the damage sweeps.
Bytes SampleStream() {
    ChunkSave s;
    std::int32_t v = 10701;
    s.BeginChunk(0x0000);
    s.Write(&v, 4, nullptr);
    s.EndChunk();
    s.BeginChunk(0x0006);
    s.BeginChunk(0x0000);
    s.WriteWString(L"Layer \u00e9\U0001F600");
    s.EndChunk();
    s.BeginChunk(0x0001);
    s.EndChunk();
    s.BeginChunk(0x0002);
    s.BeginChunk(0x0003);
    s.Write(&v, 4, nullptr);
    s.EndChunk();
    s.EndChunk();
    s.EndChunk();
    s.BeginChunk(0x002C);
    s.Write("abcdefgh", 8, nullptr);
    s.EndChunk();
    EXPECT_EQ(s.Commit(), IO_OK);
    return s.Bytes();
}
} // namespace

TEST(ChunkDamage, EachDamageGivesItsExactError) {
    const std::vector<DamageCase> cases = {
        {"truncated header", {0x01, 0x00, 0x0A}, Walk,
         L"chunk header at offset 0: 3 bytes left in the stream, a header needs 6"},
        {"truncated header inside a container",
         Cat({Header(0x0010, 20, true), Header(0x0001, 10), Zeros(4), Zeros(4)}), Walk,
         L"chunk header at offset 16: 4 bytes left in chunk 0x0010 (ends at 20), a header needs 6"},
        {"truncated data", Cat({Header(0x0001, 20), Zeros(6)}), Walk,
         L"chunk 0x0001 at offset 0: length 20 runs past the end of the stream (ends at 12)"},
        {"length shorter than the header", Cat({Header(0x0003, 2), Zeros(4)}), Walk,
         L"chunk 0x0003 at offset 0: length 2 is shorter than its 6-byte header"},
        {"length past the parent", Cat({Header(0x0010, 16, true), Header(0x2010, 4000), Zeros(4)}), Walk,
         L"chunk 0x2010 at offset 6: length 4000 runs past the end of its parent 0x0010 (ends at 16)"},
        {"container whose children overrun",
         Cat({Header(0x0020, 26, true), Header(0x0001, 10), Zeros(4), Header(0x0002, 12), Zeros(6)}), Walk,
         L"chunk 0x0002 at offset 16: length 12 runs past the end of its parent 0x0020 (ends at 26)"},
        {"largest length", Header(0x0005, 0x7FFFFFFF, true), Walk,
         L"chunk 0x0005 at offset 0: length 2147483647 runs past the end of the stream (ends at 6)"},
        {"all length bits set", Cat({Header(0x0001, 6), Header(0x0005, 0xFFFFFFFF)}), Walk,
         L"chunk 0x0005 at offset 6: length 2147483647 runs past the end of the stream (ends at 12)"},
        {"read past chunk end", Cat({Header(0x0007, 10), Zeros(4)}),
         [](ChunkLoad& l) {
             return OpenThen(l, [](ChunkLoad& in) {
                 std::uint16_t a;
                 std::uint64_t b;
                 in.Read(&a, 2, nullptr);
                 return in.Read(&b, 8, nullptr);
             });
         },
         L"chunk 0x0007 at offset 0: read of 8 bytes at byte 2 of its data runs past its end (2 bytes left)"},
        {"read past the end of the stream", {1, 2, 3},
         [](ChunkLoad& l) {
             std::uint32_t v;
             return l.Read(&v, 4, nullptr);
         },
         L"read of 4 bytes at offset 0 runs past the end of the stream (3 bytes left)"},
        {"too-deep nesting", Nested(kChunkMaxDepth), Walk,
         L"chunk 0x0001 at offset 6000: nesting deeper than 1000 levels"},
        {"odd-length UTF-16 string", Cat({Header(0x0008, 11), {'a', 0, 'b', 0, 'c'}}),
         [](ChunkLoad& l) {
             return OpenThen(l, [](ChunkLoad& in) {
                 MSTR s;
                 return in.ReadWStringChunk(s);
             });
         },
         L"chunk 0x0008 at offset 0: wide string of 5 bytes has an odd length (UTF-16 needs 2 bytes per unit)"},
        {"data read from a container", Cat({Header(0x0006, 12, true), Header(0x0000, 6)}),
         [](ChunkLoad& l) {
             return OpenThen(l, [](ChunkLoad& in) {
                 std::uint32_t v;
                 return in.Read(&v, 4, nullptr);
             });
         },
         L"chunk 0x0006 at offset 0 holds sub-chunks, not data: cannot read 4 bytes"},
        {"sub-chunk opened in a data chunk", Cat({Header(0x0007, 12), Header(0x0001, 6)}),
         [](ChunkLoad& l) { return OpenThen(l, [](ChunkLoad& in) { return in.OpenChunk(); }); },
         L"chunk 0x0007 at offset 0 holds data, not sub-chunks (6 bytes unread)"},
        {"close without open", Header(0x0001, 6), [](ChunkLoad& l) { return l.CloseChunk(); },
         L"CloseChunk at offset 0 without an open chunk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChunkLoad l(c.bytes);
        EXPECT_EQ(c.action(l), IO_ERROR);
        EXPECT_EQ(l.GetLastError(), WStr(c.error));
    }
}

TEST(ChunkDamage, FailedOpenLeavesThePositionSoRetriesFailAgain) {
    ChunkLoad l(Cat({Header(0x0010, 16, true), Header(0x2010, 4000), Zeros(4)}));
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(l.OpenChunk(), IO_ERROR);
    EXPECT_EQ(l.CurChunkDepth(), 1);
    EXPECT_EQ(l.Offset(), 6u);
    EXPECT_EQ(l.OpenChunk(), IO_ERROR); // a loop that ignores the error cannot march on into garbage
    EXPECT_EQ(l.CloseChunk(), IO_OK);   // the damaged container can still be skipped
    EXPECT_EQ(l.OpenChunk(), IO_END);
}

TEST(ChunkDamage, NestingUpToTheLimitLoads) {
    ChunkLoad l(Nested(kChunkMaxDepth - 1));
    EXPECT_EQ(Walk(l), IO_OK) << l.GetLastError();
    EXPECT_EQ(ChunkLoad::Dump(Nested(2)), "0x0001 container @0 len 12\n"
                                          "  0x0001 container @6 len 6\n"
                                          "    0x0001 data @12 len 0\n");
    EXPECT_EQ(ChunkLoad::Dump(Cat({Header(0x0001, 6), Header(0x0002, 9)})),
              "0x0001 data @0 len 0\n"
              "! chunk 0x0002 at offset 6: length 9 runs past the end of the stream (ends at 12)\n");
}

TEST(ChunkDamage, EveryTruncationFailsCleanlyExceptAtChunkBoundaries) {
    const Bytes full = SampleStream();
    // Offsets where a top-level chunk ends: a stream cut there is shorter but intact.
    std::vector<size_t> boundaries = {0};
    {
        ChunkLoad l(full);
        while (l.OpenChunk() == IO_OK) {
            l.CloseChunk();
            boundaries.push_back(l.Offset());
        }
        ASSERT_EQ(boundaries.size(), 4u);
    }
    for (size_t n = 0; n <= full.size(); ++n) {
        ChunkLoad l(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)));
        bool boundary = std::find(boundaries.begin(), boundaries.end(), n) != boundaries.end();
        EXPECT_EQ(Walk(l), boundary ? IO_OK : IO_ERROR) << "cut at " << n;
        if (!boundary) {
            EXPECT_FALSE(l.GetLastError().isNull()) << "cut at " << n;
        }
    }
}

TEST(ChunkDamage, CorruptedBytesNeverReadOutOfBounds) {
    // Under the sanitizer build any read outside the buffer aborts this test.
    const Bytes full = SampleStream();
    std::mt19937 rng(20240611);
    int errors = 0;
    for (size_t at = 0; at < full.size(); ++at) {
        for (std::uint8_t v : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{0x80},
                               static_cast<std::uint8_t>(rng())}) {
            Bytes b = full;
            b[at] = v;
            ChunkLoad l(b);
            IOResult r = Walk(l);
            if (r == IO_ERROR) {
                ++errors;
                EXPECT_FALSE(l.GetLastError().isNull());
            }
            MSTR s;
            l.ReadWStringChunk(s); // wherever the walk stopped
            (void)ChunkLoad::Dump(b);
        }
    }
    EXPECT_GT(errors, 0);
}

TEST(ChunkDamage, FileErrorsNameTheFile) {
    char tmpl[] = "/tmp/chunkdamage-XXXXXX";
    const std::filesystem::path dir = ::mkdtemp(tmpl);
    const std::filesystem::path file = dir / "cut.osc";
    const Bytes bytes = Cat({Header(0x0001, 20), Zeros(6)});
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    ChunkLoad l;
    ASSERT_EQ(l.OpenFile(WStr::FromUTF8(file.string())), IO_OK);
    EXPECT_EQ(l.OpenChunk(), IO_ERROR);
    EXPECT_EQ(l.GetLastError(), WStr::FromUTF8("\"" + file.string() +
                                               "\": chunk 0x0001 at offset 0: length 20 runs past the end of the "
                                               "stream (ends at 12)"));
    std::filesystem::remove_all(dir);
}
