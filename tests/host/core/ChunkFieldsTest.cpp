// The chunk layer: field tables round trip, skip what they do not know, and refuse short chunks and
// impossible counts with the stream's error text.
#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/Point3.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Sample {
    std::uint32_t flags = 0;
    Point3 pos;
    MSTR name;
    std::uint8_t extra = 0; // written only under flag 1
    std::vector<USHORT> others; // ids the table left to the caller

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

IOResult Load(ChunkLoad& in, Sample& s) {
    return LoadFields(&in, s, Sample::Fields(), [&](USHORT id) {
        s.others.push_back(id);
        return IO_END; // as a reader of sub-chunks that read them all: the loop goes on
    });
}

TEST(ChunkFields, TableRoundTripsWritesConditionalFieldsOnlyWhenAskedAndSkipsUnknownIds) {
    for (std::uint32_t flags : {0u, 1u}) {
        Sample s;
        s.flags = flags;
        s.pos = Point3(1.5f, -2.0f, 3.25f);
        s.name = L"Bo\u00eete";
        s.extra = 7;
        ChunkSave out;
        ASSERT_EQ(SaveFields(&out, s, Sample::Fields()), IO_OK);
        // A later version's chunk between known ones.
        ASSERT_EQ(WriteValueChunk(&out, 0x0099, std::int32_t{5}, 2.0f), IO_OK);
        const std::string dump = ChunkLoad::Dump(out.Bytes());
        EXPECT_EQ(dump.find("0x0004") != std::string::npos, flags == 1) << dump;

        Sample back;
        ChunkLoad in(out.TakeBytes());
        ASSERT_EQ(Load(in, back), IO_OK);
        EXPECT_EQ(back.flags, flags);
        EXPECT_EQ(back.pos, s.pos);
        EXPECT_EQ(back.name, s.name);
        EXPECT_EQ(back.extra, flags ? 7 : 0);
        EXPECT_EQ(back.others, std::vector<USHORT>{0x0099});
    }
}

TEST(ChunkFields, ShortOrContainerValueChunkFailsWithTheStreamsTextAndStopsTheLoop) {
    struct Case {
        const char* what;
        void (*write)(ISave*);
        const wchar_t* error;
    };
    const Case cases[] = {
        {"short point", [](ISave* s) { WriteValueChunk(s, 0x0002, 1.0f, 2.0f); },
         L"chunk 0x0002 at offset 0: read of 12 bytes at byte 0 of its data runs past its end (8 bytes left)"},
        {"container for a value",
         [](ISave* s) {
             s->BeginChunk(0x0001);
             WriteValueChunk(s, 0x0005, 1);
             s->EndChunk();
         },
         L"chunk 0x0001 at offset 0 holds sub-chunks, not data: cannot read 4 bytes"},
    };
    for (const Case& c : cases) {
        ChunkSave out;
        c.write(&out);
        WriteValueChunk(&out, 0x0077, 1); // must not be reached
        Sample back;
        ChunkLoad in(out.TakeBytes());
        EXPECT_EQ(Load(in, back), IO_ERROR) << c.what;
        EXPECT_EQ(in.GetLastError(), WStr(c.error)) << c.what;
        EXPECT_TRUE(back.others.empty()) << c.what;
        // The failed chunk was closed: the loader is back at the level it looped over.
        EXPECT_EQ(in.CurChunkDepth(), 0) << c.what;
    }
}

TEST(ChunkFields, CountsAboveTheirBoundOrNegativeAreRefused) {
    struct Case {
        std::int32_t count;
        size_t limit; // 0: the bytes left in the stream (8 here)
        IOResult expected;
    };
    const Case cases[] = {{3, 3, IO_OK}, {4, 3, IO_ERROR}, {-1, 100, IO_ERROR},
                          {8, 0, IO_OK}, {9, 0, IO_ERROR}, {-1, 0, IO_ERROR}};
    for (const Case& c : cases) {
        ChunkSave out;
        WriteValueChunk(&out, 0x0001, c.count);
        WriteValueChunk(&out, 0x0002, std::uint16_t{0});
        ChunkLoad in(out.TakeBytes());
        ASSERT_EQ(in.OpenChunk(), IO_OK);
        std::int32_t n = 0;
        EXPECT_EQ(c.limit ? ReadCount(&in, n, c.limit) : ReadCount(&in, n), c.expected)
            << c.count << " limit " << c.limit;
    }
}

TEST(ChunkFields, ListsRoundTripAndACountBeyondTheirChunkIsRefused) {
    ChunkSave out;
    ASSERT_EQ(WriteListChunk<std::int32_t>(&out, 0x0001, std::vector<float>{1.0f, 2.0f, 3.0f}), IO_OK);
    std::vector<std::uint8_t> bytes = out.TakeBytes();
    for (std::uint8_t count : {3, 4}) {
        bytes[6] = count; // the count follows the 6-byte header
        ChunkLoad in(bytes);
        ASSERT_EQ(in.OpenChunk(), IO_OK);
        std::vector<float> back{9.0f};
        EXPECT_EQ(ReadList<std::int32_t>(&in, back), count == 3 ? IO_OK : IO_ERROR);
        const std::vector<float> expected = count == 3 ? std::vector<float>{1.0f, 2.0f, 3.0f} : std::vector<float>{9.0f};
        EXPECT_EQ(back, expected);
    }
}

} // namespace
