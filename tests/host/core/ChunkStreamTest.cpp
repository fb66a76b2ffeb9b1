// Chunk streams and the field layer over them: what is saved comes back through every read call, each
// kind of damage or misuse gives IO_ERROR with a message that locates it (never a crash), and files are
// replaced whole or not at all.
#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/FileTime.h"
#include "host/core/Point3.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

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

Bytes Finished(ChunkSave& s) {
    EXPECT_EQ(s.Commit(), IO_OK) << s.GetLastError();
    return s.Bytes();
}

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

// A flat record read with a field table; ids the table does not know are left to the caller.
struct Sample {
    std::uint32_t flags = 0;
    Point3 pos;
    MSTR name;
    std::uint8_t extra = 0; // written only under flag 1
    std::vector<USHORT> others;

    static std::span<const ChunkField<Sample>> Fields() {
        static const ChunkField<Sample> table[] = {
            ValueField<&Sample::flags>(0x0001),
            ValueField<&Sample::pos>(0x0002),
            StringField<&Sample::name>(0x0003),
            ValueField<&Sample::extra>(0x0004, [](const Sample& s) { return (s.flags & 1) != 0; }),
        };
        return table;
    }
};

IOResult LoadSample(ILoad* in, Sample& s) {
    return LoadFields(in, s, Sample::Fields(), [&](USHORT id) {
        s.others.push_back(id);
        return IO_END; // as a reader of sub-chunks that read them all: the loop goes on
    });
}

// The stream of the round trip: a raw prologue (as scene files have), values of several widths nested
// three deep, empty chunks, a later version's container with known ids inside, strings beyond ASCII, and
// a chunk the reader reads only partly.
const wchar_t* const kNames[] = {L"Box01", L"W\u00e4nd_\u6728\u0416", L"\U0001F600 smile", L"a\u00e9\U00010348z"};

Bytes SampleStream() {
    ChunkSave s;
    s.Write("OSTR", 4, nullptr);
    WriteValues(&s, std::uint32_t{3});
    WriteValueChunk(&s, 0x0001, std::int32_t{7});
    s.BeginChunk(0x0010);
    s.BeginChunk(0x0011);
    s.BeginChunk(0x0012);
    EXPECT_EQ(s.CurChunkDepth(), 3);
    WriteValues(&s, 1.5f, -2.25, std::uint8_t{0xAB}, std::uint64_t{0x0102030405060708ULL});
    s.EndChunk();
    WriteValueChunk(&s, 0x0013, std::int32_t{-1});
    s.EndChunk();
    s.BeginChunk(0x0019);
    s.EndChunk();
    WriteStringChunk(&s, 0x0024, L"");
    s.BeginChunk(0x0030);
    s.BeginChunk(0x0031);
    s.EndChunk();
    s.EndChunk();
    s.EndChunk();
    s.BeginChunk(0x0777);
    s.BeginChunk(0x0001);
    WriteValueChunk(&s, 0x0002, std::int32_t{99});
    s.EndChunk();
    s.EndChunk();
    for (const wchar_t* n : kNames) WriteStringChunk(&s, 0x0024, n);
    s.BeginChunk(0x0025);
    EXPECT_EQ(s.WriteCString("plain bytes \xC3\xA9"), IO_OK);
    s.EndChunk();
    s.BeginChunk(0x0013);
    for (std::int32_t i = 0; i < 9; ++i) WriteValues(&s, i);
    s.EndChunk();
    EXPECT_EQ(s.CurChunkDepth(), 0);
    return Finished(s);
}

// Reads one level as a loader would, through the typed calls, and prints what each call gave.
void ReadLevel(ChunkLoad& l, std::ostringstream& o, std::vector<MCHAR*>& kept, int& strings) {
    IOResult r;
    while ((r = l.OpenChunk()) == IO_OK) {
        o << std::string(static_cast<size_t>(l.CurChunkDepth() - 1) * 2, ' ') << std::hex << l.CurChunkID()
          << std::dec << " len " << l.CurChunkLength() << ":";
        std::int32_t i = 0;
        float f = 0;
        double d = 0;
        std::uint8_t b = 0;
        std::uint64_t q = 0;
        ULONG n = 99;
        switch (l.CurChunkID()) {
        case 0x0001:
            ReadValues(&l, i);
            o << " " << i << (l.OpenChunk() == IO_END ? " (no sub-chunks)" : " (sub-chunk!)");
            break;
        case 0x0010:
        case 0x0011:
        case 0x0030:
            o << "\n";
            ReadLevel(l, o, kept, strings);
            o << std::string(static_cast<size_t>(l.CurChunkDepth() - 1) * 2, ' ') << "end";
            break;
        case 0x0012:
            ReadValues(&l, f, d, b, q);
            o << " " << f << " " << d << " " << int(b) << " " << std::hex << q << std::dec;
            break;
        case 0x0013:
            ReadValues(&l, i);
            o << " " << i;
            if (l.CurChunkLength() > 4) {
                ReadValues(&l, i);
                o << " " << i << " peek " << l.PeekNextChunkID(); // inside a data chunk there is no next chunk
            }
            break;
        case 0x0019:
            o << (l.Read(&b, 1, &n) == IO_ERROR ? " refused, " : " read!, ") << n << " read: " << l.GetLastError().ToUTF8();
            break;
        case 0x0024:
            if (strings++ % 2 == 0) {
                MSTR s(L"stale");
                l.ReadWStringChunk(s);
                o << " \"" << s.ToUTF8() << "\"";
            } else {
                MCHAR* p = nullptr;
                l.ReadWStringChunk(p);
                kept.push_back(p);
                o << " kept";
            }
            break;
        case 0x0025: {
            char* c = nullptr;
            l.ReadCStringChunk(c);
            o << " \"" << c << "\"";
            break;
        }
        default: o << " skipped"; break;
        }
        o << "\n";
        EXPECT_EQ(l.CloseChunk(), IO_OK) << l.GetLastError();
        if (l.CurChunkDepth() == 0) o << "next " << std::hex << l.PeekNextChunkID() << std::dec << "\n";
    }
    EXPECT_EQ(r, IO_END) << l.GetLastError();
}
} // namespace

TEST(ChunkStream, LayoutIsIdThenLengthWithContainerBitLittleEndian) {
    ChunkSave s;
    WriteValueChunk(&s, 0x2010, std::int32_t{0x04030201});
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

TEST(ChunkStream, WhatIsWrittenReadsBackThroughEveryCall) {
    const Bytes bytes = SampleStream();
    // The emoji is stored as one UTF-16LE surrogate pair: D83D DE00.
    const Bytes pair = {0x3D, 0xD8, 0x00, 0xDE};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), pair.begin(), pair.end()), bytes.end());

    ChunkLoad l(bytes);
    std::ostringstream o;
    char magic[5] = {};
    std::uint32_t version = 0;
    ASSERT_EQ(l.Read(magic, 4, nullptr), IO_OK);
    ASSERT_EQ(ReadValues(&l, version), IO_OK);
    o << magic << " " << version << "\n";
    std::vector<MCHAR*> kept;
    int strings = 0;
    ReadLevel(l, o, kept, strings);
    // Pointers handed out earlier stay valid after later reads.
    for (MCHAR* p : kept) o << "kept \"" << WStr(p).ToUTF8() << "\"\n";
    EXPECT_EQ(o.str(), "OSTR 3\n"
                       "1 len 4: 7 (no sub-chunks)\n"
                       "next 10\n"
                       "10 len 67:\n"
                       "  11 len 37:\n"
                       "    12 len 21: 1.5 -2.25 171 102030405060708\n"
                       "    13 len 4: -1\n"
                       "  end\n"
                       "  19 len 0: refused, 0 read: chunk 0x0019 at offset 67: read of 1 bytes at byte 0 of its data runs "
                       "past its end (0 bytes left)\n"
                       "  24 len 0: \"\"\n"
                       "  30 len 6:\n"
                       "    31 len 0: skipped\n"
                       "  end\n"
                       "end\n"
                       "next 777\n"
                       "777 len 16: skipped\n"
                       "next 24\n"
                       "24 len 10: kept\n"
                       "next 24\n"
                       "24 len 14: \"W\u00e4nd_\u6728\u0416\"\n"
                       "next 24\n"
                       "24 len 16: kept\n"
                       "next 24\n"
                       "24 len 10: \"a\u00e9\U00010348z\"\n"
                       "next 25\n"
                       "25 len 14: \"plain bytes \xC3\xA9\"\n"
                       "next 13\n"
                       "13 len 36: 0 1 peek 0\n"
                       "next 0\n"
                       "kept \"Box01\"\n"
                       "kept \"\U0001F600 smile\"\n");
    EXPECT_EQ(l.CurChunkDepth(), 0);
    EXPECT_EQ(ChunkLoad::Dump(bytes, 8).substr(0, 34), "0x0001 data @8 len 4: 07 00 00 00\n");
}

TEST(ChunkStream, FieldTablesWriteConditionalFieldsOnlyWhenAskedAndLeaveUnknownIdsToTheCaller) {
    for (std::uint32_t flags : {0u, 1u}) {
        Sample s;
        s.flags = flags;
        s.pos = Point3(1.5f, -2.0f, 3.25f);
        s.name = L"Bo\u00eete";
        s.extra = 7;
        ChunkSave out;
        ASSERT_EQ(SaveFields(&out, s, Sample::Fields()), IO_OK);
        ASSERT_EQ(WriteValueChunk(&out, 0x0099, std::int32_t{5}, 2.0f), IO_OK); // a later version's chunk
        EXPECT_EQ(ChunkLoad::Dump(out.Bytes()).find("0x0004") != std::string::npos, flags == 1);

        Sample back;
        ChunkLoad in(out.TakeBytes());
        ASSERT_EQ(LoadSample(&in, back), IO_OK);
        EXPECT_EQ(back.flags, flags);
        EXPECT_EQ(back.pos, s.pos);
        EXPECT_EQ(back.name, s.name);
        EXPECT_EQ(back.extra, flags ? 7 : 0);
        EXPECT_EQ(back.others, std::vector<USHORT>{0x0099});
    }
    ChunkSave out;
    ASSERT_EQ(WriteListChunk<std::int32_t>(&out, 0x0001, std::vector<float>{1.0f, 2.0f, 3.0f}), IO_OK);
    ChunkLoad in(out.TakeBytes());
    ASSERT_EQ(in.OpenChunk(), IO_OK);
    std::vector<float> list{9.0f};
    EXPECT_EQ(ReadList<std::int32_t>(&in, list), IO_OK);
    EXPECT_EQ(list, (std::vector<float>{1.0f, 2.0f, 3.0f}));
}

// Writer misuse: the first error sticks, later writes do nothing and the stream cannot be committed.
TEST(ChunkStream, WriterMisuseFailsTheWholeStreamWithItsText) {
    struct Case {
        void (*misuse)(ChunkSave&);
        const wchar_t* error;
    };
    const Case cases[] = {
        {[](ChunkSave& s) {
             WriteValueChunk(&s, 0x0001, std::int32_t{1});
             s.EndChunk();
         },
         L"EndChunk at offset 10 without a matching BeginChunk"},
        {[](ChunkSave& s) {
             s.BeginChunk(0x0015);
             WriteValues(&s, std::int32_t{2});
             s.BeginChunk(0x0017);
         },
         L"chunk 0x0015 at offset 0 already holds data; sub-chunk 0x0017 cannot follow it"},
        {[](ChunkSave& s) {
             s.BeginChunk(0x0006);
             s.BeginChunk(0x0000);
             s.EndChunk();
             s.Write("ab", 2, nullptr);
         },
         L"chunk 0x0006 at offset 0 holds sub-chunks; 2 bytes of data cannot follow them"},
        {[](ChunkSave& s) {
             s.BeginChunk(0x00A0);
             s.BeginChunk(0x00B0);
         },
         L"2 chunk(s) still open at the end of the stream: 0x00A0 at offset 0, 0x00B0 at offset 6"},
        {[](ChunkSave& s) {
             for (int i = 0; i < kChunkMaxDepth; ++i) s.BeginChunk(0x0001);
             EXPECT_FALSE(s.Failed());
             s.BeginChunk(0x0002);
         },
         L"chunk 0x0002 at offset 6000: nesting deeper than 1000 levels"},
    };
    for (const Case& c : cases) {
        ChunkSave s;
        c.misuse(s);
        const size_t size = s.Bytes().size();
        EXPECT_EQ(s.Commit(), IO_ERROR) << WStr(c.error);
        s.BeginChunk(0x0003);
        EXPECT_EQ(s.Write("x", 1, nullptr), IO_ERROR) << WStr(c.error);
        EXPECT_EQ(s.Bytes().size(), size) << WStr(c.error);
        EXPECT_EQ(s.GetLastError(), WStr(c.error));
    }
}

// Each damaged stream, read by the call named, gives IO_ERROR and exactly its text; a null text means the
// read succeeds (the bounds of the count readers).
TEST(ChunkStream, EachDamageGivesItsExactError) {
    using Action = std::function<IOResult(ChunkLoad&)>;
    auto opened = [](Action then) -> Action {
        return [then](ChunkLoad& l) {
            IOResult r = l.OpenChunk();
            return r == IO_OK ? then(l) : r;
        };
    };
    auto count = [&](size_t limit) {
        return opened([limit](ChunkLoad& l) {
            std::int32_t n = 0;
            return limit ? ReadCount(&l, n, limit) : ReadCount(&l, n);
        });
    };
    auto countChunk = [](std::int32_t n) { // a count, then 8 bytes left in the stream
        ChunkSave s;
        WriteValueChunk(&s, 0x0001, n);
        WriteValueChunk(&s, 0x0002, std::uint16_t{0});
        return s.TakeBytes();
    };
    // A field table loop over a chunk that cannot hold its field stops there, its chunk closed.
    const Action fields = [](ChunkLoad& l) {
        Sample back;
        const IOResult r = LoadSample(&l, back);
        EXPECT_TRUE(back.others.empty());
        EXPECT_EQ(l.CurChunkDepth(), 0);
        return r;
    };
    auto fieldStream = [](void (*write)(ISave*)) {
        ChunkSave s;
        write(&s);
        WriteValueChunk(&s, 0x0077, 1); // must not be reached
        return s.TakeBytes();
    };
    auto list = [](std::uint8_t n) {
        ChunkSave s;
        WriteListChunk<std::int32_t>(&s, 0x0001, std::vector<float>{1.0f, 2.0f, 3.0f});
        Bytes b = s.TakeBytes();
        b[6] = n; // the count follows the 6-byte header
        return b;
    };
    const Action readList = [&](ChunkLoad& l) {
        return opened([](ChunkLoad& in) {
            std::vector<float> back{9.0f};
            const IOResult r = ReadList<std::int32_t>(&in, back);
            EXPECT_EQ(back.size(), r == IO_OK ? 3u : 1u); // a refused list is left as it was
            return r;
        })(l);
    };
    struct Case {
        const char* name;
        Bytes bytes;
        Action action;
        const wchar_t* error;
    };
    const std::vector<Case> cases = {
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
        {"read past chunk end", Cat({Header(0x0007, 10), Zeros(4)}), opened([](ChunkLoad& in) {
             std::uint16_t a;
             std::uint64_t b;
             ReadValues(&in, a);
             return ReadValues(&in, b);
         }),
         L"chunk 0x0007 at offset 0: read of 8 bytes at byte 2 of its data runs past its end (2 bytes left)"},
        {"read past the end of the stream", {1, 2, 3},
         [](ChunkLoad& l) {
             std::uint32_t v;
             return l.Read(&v, 4, nullptr);
         },
         L"read of 4 bytes at offset 0 runs past the end of the stream (3 bytes left)"},
        {"too-deep nesting", Nested(kChunkMaxDepth), Walk,
         L"chunk 0x0001 at offset 6000: nesting deeper than 1000 levels"},
        {"nesting up to the limit", Nested(kChunkMaxDepth - 1), Walk, nullptr},
        {"odd-length UTF-16 string", Cat({Header(0x0008, 11), {'a', 0, 'b', 0, 'c'}}), opened([](ChunkLoad& in) {
             MSTR s;
             return in.ReadWStringChunk(s);
         }),
         L"chunk 0x0008 at offset 0: wide string of 5 bytes has an odd length (UTF-16 needs 2 bytes per unit)"},
        {"data read from a container", Cat({Header(0x0006, 12, true), Header(0x0000, 6)}), opened([](ChunkLoad& in) {
             std::uint32_t v;
             return in.Read(&v, 4, nullptr);
         }),
         L"chunk 0x0006 at offset 0 holds sub-chunks, not data: cannot read 4 bytes"},
        {"sub-chunk opened in a data chunk", Cat({Header(0x0007, 12), Header(0x0001, 6)}),
         opened([](ChunkLoad& in) { return in.OpenChunk(); }),
         L"chunk 0x0007 at offset 0 holds data, not sub-chunks (6 bytes unread)"},
        {"close without open", Header(0x0001, 6), [](ChunkLoad& l) { return l.CloseChunk(); },
         L"CloseChunk at offset 0 without an open chunk"},
        {"field: short point", fieldStream([](ISave* s) { WriteValueChunk(s, 0x0002, 1.0f, 2.0f); }), fields,
         L"chunk 0x0002 at offset 0: read of 12 bytes at byte 0 of its data runs past its end (8 bytes left)"},
        {"field: container for a value", fieldStream([](ISave* s) {
             s->BeginChunk(0x0001);
             WriteValueChunk(s, 0x0005, 1);
             s->EndChunk();
         }),
         fields, L"chunk 0x0001 at offset 0 holds sub-chunks, not data: cannot read 4 bytes"},
        {"count at its bound", countChunk(3), count(3), nullptr},
        {"count above its bound", countChunk(4), count(3), L"chunk 0x0001: count 4 at offset 6: the most this table takes is 3"},
        {"negative count", countChunk(-1), count(100),
         L"chunk 0x0001: count -1 at offset 6: the most this table takes is 100"},
        {"count of the bytes left", countChunk(8), count(0), nullptr},
        {"count above the bytes left", countChunk(9), count(0),
         L"chunk 0x0001: count 9 at offset 6: the stream holds only 8 more bytes"},
        {"negative count, bytes left", countChunk(-1), count(0),
         L"chunk 0x0001: count -1 at offset 6: the stream holds only 8 more bytes"},
        {"list count as written", list(3), readList, nullptr},
        {"list count beyond its chunk", list(4), readList,
         L"chunk 0x0001: count 4 at offset 6: the most this table takes is 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ChunkLoad l(c.bytes);
        EXPECT_EQ(c.action(l), c.error ? IO_ERROR : IO_OK);
        if (c.error) {
            EXPECT_EQ(l.GetLastError(), WStr(c.error));
        }
    }
}

TEST(ChunkStream, FailedOpenLeavesThePositionSoRetriesFailAgain) {
    ChunkLoad l(Cat({Header(0x0010, 16, true), Header(0x2010, 4000), Zeros(4)}));
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    EXPECT_EQ(l.OpenChunk(), IO_ERROR);
    EXPECT_EQ(l.CurChunkDepth(), 1);
    EXPECT_EQ(l.Offset(), 6u);
    EXPECT_EQ(l.OpenChunk(), IO_ERROR); // a loop that ignores the error cannot march on into garbage
    EXPECT_EQ(l.CloseChunk(), IO_OK);   // the damaged container can still be skipped
    EXPECT_EQ(l.OpenChunk(), IO_END);
    EXPECT_EQ(ChunkLoad::Dump(Cat({Header(0x0001, 6), Header(0x0002, 9)})),
              "0x0001 data @0 len 0\n"
              "! chunk 0x0002 at offset 6: length 9 runs past the end of the stream (ends at 12)\n");
}

TEST(ChunkStream, EveryTruncationFailsCleanlyExceptAtChunkBoundaries) {
    Bytes full = SampleStream();
    full.erase(full.begin(), full.begin() + 8); // the chunks without the prologue
    std::vector<size_t> boundaries = {0}; // where a top-level chunk ends: cut there, the stream is intact
    {
        ChunkLoad l(full);
        while (l.OpenChunk() == IO_OK) {
            l.CloseChunk();
            boundaries.push_back(l.Offset());
        }
        ASSERT_EQ(boundaries.size(), 10u);
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

TEST(ChunkFile, SavesAtomicallyAndLoadsBack) {
    ScratchDir dir("chunkio");
    const WStr path = dir.File("scene \u00e9.osc");
    {
        ChunkSave s(path);
        EXPECT_EQ(WStr(s.FileName()), path);
        EXPECT_EQ(s.GetRefID(&s), -1); // a plain stream has no object table
        WriteStringChunk(&s, 0x0008, L"\u6728");
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
        WriteValueChunk(&s, 0x0001, std::int32_t{1});
        s.BeginChunk(0x0002);
        EXPECT_EQ(s.Commit(), IO_ERROR);
        EXPECT_EQ(s.GetLastError(),
                  WStr(L"\"") + path + L"\": 1 chunk(s) still open at the end of the stream: 0x0002 at offset 10");
    }
    EXPECT_EQ(std::filesystem::file_size(NormalizePath(path).ToUTF8()), before);
    EXPECT_EQ(dir.Entries(), 1u);

    // A new save replaces it whole.
    ChunkSave again(path);
    WriteValueChunk(&again, 0x0001, std::int32_t{1});
    ASSERT_EQ(again.Commit(), IO_OK);
    ChunkLoad reread;
    ASSERT_EQ(reread.OpenFile(path), IO_OK);
    EXPECT_EQ(reread.Bytes(), again.Bytes());
    EXPECT_EQ(dir.Entries(), 1u);
}

// A save through a chain of symbolic links replaces the file at its end, keeping that file's permissions and
// the links; a link loop is refused.
TEST(ChunkFile, SavingThroughALinkReplacesItsTarget) {
    namespace fs = std::filesystem;
    ScratchDir dir("chunkio");
    std::ofstream(dir.Path() / "real.osc") << "old";
    fs::permissions(dir.Path() / "real.osc", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(dir.Path() / "sub");
    fs::create_symlink("../real.osc", dir.Path() / "sub" / "link.osc");
    fs::create_symlink("sub/link.osc", dir.Path() / "chain.osc");
    fs::create_symlink("loop.osc", dir.Path() / "loop.osc");
    const std::pair<const char*, WStr> saves[] = {
        {"chain.osc", WStr()},
        {"loop.osc", L"cannot follow the link \"" + dir.File("loop.osc") + L"\": Too many levels of symbolic links"}};
    for (const auto& [name, error] : saves) {
        ChunkSave s(dir.File(name));
        WriteValueChunk(&s, 0x0001, std::int32_t{1});
        EXPECT_EQ(s.Commit() == IO_OK ? WStr() : s.GetLastError(), error) << name;
    }
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "chain.osc") && fs::is_symlink(dir.Path() / "sub" / "link.osc"));
    EXPECT_EQ(fs::file_size(dir.Path() / "real.osc"), 10u);
    EXPECT_EQ(fs::status(dir.Path() / "real.osc").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(dir.Entries(), 4u); // no temporary file left
}

// Files that cannot be opened and damaged files are rows of the damaged-input table
// (tests/plugin/helper/DamagedInputTest.cpp), read as scene files.
TEST(ChunkFile, SaveFailuresNameThePathAndTheReason) {
    ScratchDir dir("chunkio");
    const WStr missing = dir.File("no/such/folder/a.osc");
    ChunkSave s(missing);
    WriteValueChunk(&s, 0x0001, std::int32_t{1});
    EXPECT_EQ(s.Commit(), IO_ERROR);
    EXPECT_EQ(s.GetLastError(),
              WStr(L"cannot create a temporary file next to \"") + missing + L"\": No such file or directory");

    // Replacing a folder with a file fails after the data was written; the temporary file goes away.
    std::filesystem::create_directory(dir.Path() / "taken");
    ChunkSave onto(dir.File("taken"));
    WriteValueChunk(&onto, 0x0001, std::int32_t{1});
    EXPECT_EQ(onto.Commit(), IO_ERROR);
    EXPECT_EQ(onto.GetLastError(), WStr(L"cannot replace \"") + dir.File("taken") + L"\": Is a directory");
    EXPECT_EQ(dir.Entries(), 1u);
}
