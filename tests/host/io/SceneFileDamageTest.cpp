// Damaged scene files: each is refused with its exact error, and a refused file creates nothing.
#include "host/core/ChunkSave.h"
#include "host/io/SceneFileFormat.h"
#include "host/io/SceneReader.h"
#include "host/scene/Interface.h"
#include "host/scene/nodes/Node.h"
#include "host/scene/objects/ObjectClasses.h"

#include <gtest/gtest.h>

#include <functional>

using namespace scenefile;

namespace {

// Writes scene files piece by piece, remembering where things went so expected errors can name offsets.
class FileBuilder {
public:
    FileBuilder() {
        ULONG nw = 0;
        out.Write(kMagic, sizeof kMagic, &nw);
        U32(kVersion);
    }
    void U32(std::uint32_t v) {
        ULONG nw = 0;
        out.Write(&v, sizeof v, &nw);
    }
    void Ids(std::initializer_list<std::int32_t> ids) {
        U32(static_cast<std::uint32_t>(ids.size()));
        for (std::int32_t id : ids) U32(static_cast<std::uint32_t>(id));
    }
    size_t Here() const { return out.Bytes().size(); }
    // The class table: a node, a dummy helper, and any extra class.
    void Classes(const wchar_t* extraName = nullptr, std::uint32_t sclass = 0, std::uint32_t a = 0, std::uint32_t b = 0) {
        out.BeginChunk(kClassesChunk);
        Class(BASENODE_CLASS_ID, 1, 0, L"Node");
        Class(HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID.PartA(), 0, L"Dummy");
        if (extraName) {
            extraAt = Here();
            Class(sclass, a, b, extraName);
        }
        out.EndChunk();
    }
    void Class(std::uint32_t sclass, std::uint32_t a, std::uint32_t b, const wchar_t* name) {
        out.BeginChunk(kClassChunk);
        U32(sclass);
        U32(a);
        U32(b);
        out.WriteWString(name);
        out.EndChunk();
    }
    // One object: class index, an empty body unless told otherwise, its reference ids.
    size_t Object(std::uint32_t cls, std::initializer_list<std::int32_t> refs, bool body = true) {
        const size_t at = Here();
        out.BeginChunk(kObjectChunk);
        out.BeginChunk(kObjectClassChunk);
        U32(cls);
        out.EndChunk();
        if (body) {
            out.BeginChunk(kObjectBodyChunk);
            out.EndChunk();
        }
        out.BeginChunk(kObjectRefsChunk);
        Ids(refs);
        out.EndChunk();
        out.EndChunk();
        return at;
    }
    void Nodes(std::initializer_list<std::pair<std::int32_t, std::int32_t>> pairs) {
        out.BeginChunk(kNodesChunk);
        U32(static_cast<std::uint32_t>(pairs.size()));
        for (auto [id, parent] : pairs) {
            U32(static_cast<std::uint32_t>(id));
            U32(static_cast<std::uint32_t>(parent));
        }
        out.EndChunk();
    }
    std::vector<std::uint8_t> Bytes() {
        EXPECT_EQ(out.CurChunkDepth(), 0);
        return out.Bytes();
    }

    ChunkSave out;
    size_t extraAt = 0;
};

// A node (0) whose dummy object (1) is its reference 1, under the root.
FileBuilder Valid() {
    FileBuilder f;
    f.Classes();
    f.out.BeginChunk(kObjectsChunk);
    f.Object(0, {kNullId, 1});
    f.Object(1, {});
    f.out.EndChunk();
    f.Nodes({{0, kNullId}});
    return f;
}

std::string IndexError(std::vector<std::uint8_t> bytes) {
    GetCOREInterface();
    SceneReader r(GetCOREInterface());
    if (r.IndexBytes(std::move(bytes)) == IO_OK) return "(accepted)";
    return r.Error().ToUTF8();
}

std::string Fmt(const wchar_t* f, size_t offset) { return WStr::Format(f, offset).ToUTF8(); }

TEST(SceneFileDamageTest, TheValidFileIsAcceptedAndLoads) {
    GetCOREInterface();
    SceneReader r(GetCOREInterface());
    ASSERT_EQ(r.IndexBytes(Valid().Bytes()), IO_OK) << r.Error().ToUTF8();
    ASSERT_EQ(r.CreateObjects(), IO_OK) << r.Error().ToUTF8();
    ASSERT_NE(r.NodeAt(0), nullptr);
    r.Link({0});
    EXPECT_NE(r.NodeAt(0)->GetObjectRef(), nullptr);
    r.NodeAt(0)->DeleteMe();
}

struct Case {
    const char* name;
    std::function<std::vector<std::uint8_t>(std::string& expected)> make;
};

const Case kCases[] = {
    {"empty", [](std::string& e) {
         e = "offset 0: not a scene file: 0 bytes, shorter than the 12-byte header";
         return std::vector<std::uint8_t>{};
     }},
    {"wrong magic", [](std::string& e) {
         e = "offset 0: not a scene file: the header does not start with \"OSTRSCN1\"";
         auto bytes = Valid().Bytes();
         bytes[0] = 'X';
         return bytes;
     }},
    {"later version", [](std::string& e) {
         e = "offset 8: scene file version 2, this host reads version 1";
         auto bytes = Valid().Bytes();
         bytes[8] = 2;
         return bytes;
     }},
    {"cut short", [](std::string& e) {
         auto bytes = Valid().Bytes();
         e = Fmt(L"chunk 0x3000 at offset %zu: length 18 runs past the end of the stream (ends at ", bytes.size() - 18) +
             std::to_string(bytes.size() - 1) + ")";
         bytes.pop_back();
         return bytes;
     }},
    {"unknown class", [](std::string& e) {
         FileBuilder f;
         f.Classes(L"Gizmo", GEOMOBJECT_CLASS_ID, 0xDEAD, 0xBEEF);
         e = Fmt(L"offset %zu: class 2 \"Gizmo\" (super class 0x10, class id (0xDEAD, 0xBEEF)) is not registered "
                 L"with this host",
                 f.extraAt);
         return f.Bytes();
     }},
    {"class index out of range", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         f.out.BeginChunk(kObjectsChunk);
         const size_t at = f.Object(7, {});
         f.out.EndChunk();
         e = Fmt(L"offset %zu: object 0 names class 7, the class table has 2", at + 6);
         return f.Bytes();
     }},
    {"object without body", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         f.out.BeginChunk(kObjectsChunk);
         const size_t at = f.Object(1, {}, false);
         f.out.EndChunk();
         e = Fmt(L"offset %zu: object 0 lacks its body (0x2003) chunk", at);
         return f.Bytes();
     }},
    {"no object table", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         auto bytes = f.Bytes();
         e = Fmt(L"offset %zu: the file has no object table (chunk 0x2000)", bytes.size());
         return bytes;
     }},
    {"reference out of range", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         f.out.BeginChunk(kObjectsChunk);
         const size_t at = f.Object(0, {kNullId, 5});
         f.out.EndChunk();
         f.Nodes({{0, kNullId}});
         e = Fmt(L"offset %zu: object 0 (Node, super class 0x1, class id (0x1, 0x0)): reference 1 names object 5, "
                 L"the file has 1",
                 at);
         return f.Bytes();
     }},
    {"reference loop", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         f.out.BeginChunk(kObjectsChunk);
         f.Object(1, {1});
         const size_t second = f.Object(1, {0});
         f.out.EndChunk();
         f.Nodes({});
         e = Fmt(L"offset %zu: reference loop: object 1 (Dummy, super class 0x50, class id (0x876234, 0x0)) "
                 L"reference 0 leads back to object 0 (Dummy, super class 0x50, class id (0x876234, 0x0))",
                 second);
         return f.Bytes();
     }},
    {"listed node that is no node", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         f.out.BeginChunk(kObjectsChunk);
         f.Object(1, {});
         f.out.EndChunk();
         f.Nodes({{0, kNullId}});
         auto bytes = f.Bytes();
         e = Fmt(L"offset %zu: node list: id 0 is not a node of the file", bytes.size());
         return bytes;
     }},
    {"node listed twice", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         f.out.BeginChunk(kObjectsChunk);
         f.Object(0, {});
         f.out.EndChunk();
         f.Nodes({{0, kNullId}, {0, kNullId}});
         auto bytes = f.Bytes();
         e = Fmt(L"offset %zu: node list: node 0 is listed twice", bytes.size());
         return bytes;
     }},
    {"node its own ancestor", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         f.out.BeginChunk(kObjectsChunk);
         f.Object(0, {});
         f.Object(0, {});
         f.out.EndChunk();
         f.Nodes({{0, 1}, {1, 0}});
         auto bytes = f.Bytes();
         e = Fmt(L"offset %zu: node list: node 0 is its own ancestor", bytes.size());
         return bytes;
     }},
    {"more ids announced than held", [](std::string& e) {
         FileBuilder f;
         f.Classes();
         f.out.BeginChunk(kObjectsChunk);
         f.out.BeginChunk(kObjectChunk);
         f.out.BeginChunk(kObjectClassChunk);
         f.U32(1);
         f.out.EndChunk();
         f.out.BeginChunk(kObjectBodyChunk);
         f.out.EndChunk();
         const size_t at = f.Here();
         f.out.BeginChunk(kObjectRefsChunk);
         f.U32(1000);
         f.out.EndChunk();
         f.out.EndChunk();
         f.out.EndChunk();
         e = Fmt(L"offset %zu: references: 1000 ids announced, the chunk holds 0", at);
         return f.Bytes();
     }},
};

TEST(SceneFileDamageTest, EachDamagedFileGivesItsError) {
    for (const Case& c : kCases) {
        std::string expected;
        std::vector<std::uint8_t> bytes = c.make(expected);
        EXPECT_EQ(IndexError(std::move(bytes)), expected) << c.name;
    }
}

} // namespace
