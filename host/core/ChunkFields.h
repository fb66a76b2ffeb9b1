// The chunk layer every Save and Load is written with: a loop over the chunks of one level, value chunks
// of plain types and wide strings, bounded table counts, and field tables for flat lists of value chunks.
#pragma once

#include "host/core/ChunkIO.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

// A type whose bytes are its value in the stream (the stream is little-endian, like the machines it runs
// on): integers, floats, Point3, Quat, ScaleValue, Matrix3 (its four rows, then its flags word), fixed
// arrays of them.
template <class T>
concept ChunkValue = std::is_trivially_copyable_v<T> && !std::is_pointer_v<T>;

// Calls f(id) with each chunk of the current level open, then closes that chunk however f ended. f answers
// IO_OK to go on (IO_END counts as IO_OK: f read sub-chunks up to their end); any other result ends the
// loop and is returned, with the stream's error text as the failed read left it. Chunks f does not know
// are skipped by answering IO_OK. The end of the level is IO_OK.
template <class F> IOResult ForEachChunk(ILoad* iload, F&& f) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        IOResult r = f(iload->CurChunkID());
        if (r == IO_END) r = IO_OK;
        const IOResult closed = iload->CloseChunk();
        if (r == IO_OK) r = closed;
        if (r != IO_OK) return r;
    }
    return res == IO_END ? IO_OK : res;
}

// Writes the values one after another as data of the current chunk; the first error sticks.
template <ChunkValue... T> IOResult WriteValues(ISave* isave, const T&... v) {
    IOResult res = IO_OK;
    [[maybe_unused]] ULONG written = 0;
    ((res = res == IO_OK ? isave->Write(&v, sizeof v, &written) : res), ...);
    return res;
}

// Reads the values one after another from the open chunk. A chunk too short for them gives IO_ERROR
// with the stream's text (chunk id, offset, bytes wanted and left); the values read before it stay.
template <ChunkValue... T> IOResult ReadValues(ILoad* iload, T&... v) {
    IOResult res = IO_OK;
    [[maybe_unused]] ULONG read = 0;
    ((res = res == IO_OK ? iload->Read(&v, sizeof v, &read) : res), ...);
    return res;
}

// Writes a chunk id holding the wide string (read back with ILoad::ReadWStringChunk).
IOResult WriteStringChunk(ISave* isave, USHORT id, const MSTR& s);

// Writes a chunk id holding the values one after another.
template <ChunkValue... T> IOResult WriteValueChunk(ISave* isave, USHORT id, const T&... v) {
    isave->BeginChunk(id);
    const IOResult res = WriteValues(isave, v...);
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

// IO_ERROR for a count of countSize bytes just read that is above limit (the bytes left in the stream when bytesLeft), with
// the stream's error naming the chunk, the count's offset and both numbers when the stream keeps errors.
IOResult RefuseCount(ILoad* iload, const std::wstring& count, size_t countSize, size_t limit, bool bytesLeft);

// Reads a table count from the open chunk and refuses (IO_ERROR) a negative one or one above limit.
template <class T>
    requires std::is_integral_v<T>
IOResult ReadCount(ILoad* iload, T& n, size_t limit) {
    const IOResult res = ReadValues(iload, n);
    if (res != IO_OK) return res;
    // A negative count turns into a huge one here.
    return static_cast<std::uint64_t>(n) <= limit ? IO_OK : RefuseCount(iload, std::to_wstring(n), sizeof n, limit, false);
}

// As above, bounded by the bytes left in the stream after the count: every entry a count announces (a
// reference written after the object, a chunk further on) takes at least a byte there, so a damaged
// count cannot make a loader allocate for more than the file holds.
template <class T>
    requires std::is_integral_v<T>
IOResult ReadCount(ILoad* iload, T& n) {
    const IOResult res = ReadValues(iload, n);
    if (res != IO_OK) return res;
    const size_t left = iload->StreamBytesLeft();
    return static_cast<std::uint64_t>(n) <= left ? IO_OK : RefuseCount(iload, std::to_wstring(n), sizeof n, left, true);
}

// Writes a chunk id holding the number of values (as a Count) and then the values.
template <class Count, ChunkValue T> IOResult WriteListChunk(ISave* isave, USHORT id, const std::vector<T>& values) {
    isave->BeginChunk(id);
    [[maybe_unused]] ULONG written = 0;
    IOResult res = WriteValues(isave, static_cast<Count>(values.size()));
    if (res == IO_OK && !values.empty())
        res = isave->Write(values.data(), static_cast<ULONG>(sizeof(T) * values.size()), &written);
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

// Reads what WriteListChunk wrote from the open chunk; a count the rest of the chunk cannot hold is
// IO_ERROR and leaves values as they were.
template <class Count, ChunkValue T> IOResult ReadList(ILoad* iload, std::vector<T>& values) {
    const ULONG length = iload->CurChunkLength();
    const size_t room = length < sizeof(Count) ? 0 : (length - sizeof(Count)) / sizeof(T);
    Count n = 0;
    IOResult res = ReadCount(iload, n, room);
    if (res != IO_OK) return res;
    values.assign(static_cast<size_t>(n), T{});
    [[maybe_unused]] ULONG read = 0;
    if (n) res = iload->Read(values.data(), static_cast<ULONG>(sizeof(T) * values.size()), &read);
    return res;
}

// One entry of a field table: the chunk id, how it is written and read, and when it is written. save
// writes the whole chunk (an entry may also write several chunks, as a count followed by its entries);
// load reads the open chunk.
template <class C> struct ChunkField {
    USHORT id;
    IOResult (*save)(ISave* isave, USHORT id, const C& obj);
    IOResult (*load)(ILoad* iload, C& obj);
    // Written only when this answers true; null: always.
    bool (*when)(const C& obj) = nullptr;
};

namespace chunk_detail {
template <auto M> struct Member;
template <class C, class T, T C::*M> struct Member<M> {
    using Class = C;
    using Type = T;
};
template <auto M> using ClassOf = typename Member<M>::Class;
template <auto M> using TypeOf = typename Member<M>::Type;
} // namespace chunk_detail

// Members of plain types as one chunk holding their values one after another.
template <auto M, auto... More>
    requires(ChunkValue<chunk_detail::TypeOf<M>> && ... && ChunkValue<chunk_detail::TypeOf<More>>)
constexpr ChunkField<chunk_detail::ClassOf<M>> ValueField(USHORT id,
                                                          bool (*when)(const chunk_detail::ClassOf<M>&) = nullptr) {
    using C = chunk_detail::ClassOf<M>;
    return {id, [](ISave* s, USHORT i, const C& o) { return WriteValueChunk(s, i, o.*M, o.*More...); },
            [](ILoad* l, C& o) { return ReadValues(l, o.*M, o.*More...); }, when};
}

// A wide-string member as one chunk.
template <auto M>
    requires std::is_same_v<chunk_detail::TypeOf<M>, MSTR>
constexpr ChunkField<chunk_detail::ClassOf<M>> StringField(USHORT id,
                                                           bool (*when)(const chunk_detail::ClassOf<M>&) = nullptr) {
    using C = chunk_detail::ClassOf<M>;
    return {id, [](ISave* s, USHORT i, const C& o) { return WriteStringChunk(s, i, o.*M); },
            [](ILoad* l, C& o) { return l->ReadWStringChunk(o.*M); }, when};
}

// Writes the table's chunks in table order, each under its condition; the first error ends the save.
template <class C> IOResult SaveFields(ISave* isave, const C& obj, std::span<const ChunkField<C>> table) {
    for (const ChunkField<C>& f : table) {
        if (f.when && !f.when(obj)) continue;
        if (const IOResult res = f.save(isave, f.id, obj); res != IO_OK) return res;
    }
    return IO_OK;
}

// Reads the chunks of the current level into obj through the table, in whatever order they come; an id
// the table does not hold goes to other(id) with the chunk open (skipped when there is none).
template <class C, class Other>
IOResult LoadFields(ILoad* iload, C& obj, std::span<const ChunkField<C>> table, Other&& other) {
    return ForEachChunk(iload, [&](USHORT id) {
        for (const ChunkField<C>& f : table)
            if (f.id == id) return f.load(iload, obj);
        return other(id);
    });
}
template <class C> IOResult LoadFields(ILoad* iload, C& obj, std::span<const ChunkField<C>> table) {
    return LoadFields(iload, obj, table, [](USHORT) { return IO_OK; });
}
