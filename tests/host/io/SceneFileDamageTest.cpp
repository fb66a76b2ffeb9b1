// Damaged scene files: each is refused with its exact error, and a refused file creates nothing and
// leaves the open scene as it was (cut files and huge counts are rows of the damaged-input table of
// tests/plugin/helper/DamagedInputTest.cpp, read as files).
#include "host/core/ChunkSave.h"
#include "host/io/SceneFileFormat.h"
#include "host/io/SceneReader.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/ILayer.h"
#include "host/scene/Interface.h"
#include "host/scene/SceneDump.h"
#include "host/scene/layers/Layer.h"
#include "host/scene/nodes/Node.h"
#include "host/scene/objects/ObjectClasses.h"
#include "tests/support/SceneBuilder.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/SourceTree.h"

#include <gtest/gtest.h>

#include <filesystem>
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
    void Ids(const std::vector<std::int32_t>& ids) {
        U32(static_cast<std::uint32_t>(ids.size()));
        for (std::int32_t id : ids) U32(static_cast<std::uint32_t>(id));
    }
    size_t Here() const { return out.Bytes().size(); }
    // The class table: a node, a dummy helper, and any extra class; with link set, the table of the linking
    // cases: node 0, dummy 1, layer 2, derived object 3.
    void Classes(const wchar_t* extraName = nullptr, std::uint32_t sclass = 0, std::uint32_t a = 0, std::uint32_t b = 0,
                 bool link = false) {
        out.BeginChunk(kClassesChunk);
        Class(BASENODE_CLASS_ID, 1, 0, L"Node");
        Class(HELPER_CLASS_ID, DUMMY_HELPER_CLASS_ID.PartA(), 0, L"Dummy");
        if (link) {
            Class(LAYER_CLASS_ID, LAYER_CLASS_IDENT.PartA(), LAYER_CLASS_IDENT.PartB(), L"Layer");
            Class(GEN_DERIVOB_CLASS_ID, DERIVOB_CLASS_ID_OS.PartA(), 0, L"Derived Object");
        }
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
    // An object: class index, references, a layer name (for class 2 of the linking table), whether it has a body.
    struct Obj {
        std::uint32_t cls;
        std::vector<std::int32_t> refs;
        const wchar_t* layer = nullptr;
        bool body = true;
    };
    size_t Object(const Obj& o) {
        const size_t at = Here();
        out.BeginChunk(kObjectChunk);
        out.BeginChunk(kObjectClassChunk);
        U32(o.cls);
        out.EndChunk();
        if (o.body) {
            out.BeginChunk(kObjectBodyChunk);
            if (o.layer) {
                out.BeginChunk(0x4300); // the layer's name
                out.WriteWString(o.layer);
                out.EndChunk();
            }
            out.EndChunk();
        }
        out.BeginChunk(kObjectRefsChunk);
        Ids(o.refs);
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
    // The class table (that of the linking cases when link is set), the object table and the node list; returns where
    // each object starts.
    std::vector<size_t> Scene(std::initializer_list<Obj> objs,
                              std::initializer_list<std::pair<std::int32_t, std::int32_t>> nodes, bool link = false) {
        Classes(nullptr, 0, 0, 0, link);
        std::vector<size_t> at;
        out.BeginChunk(kObjectsChunk);
        for (const Obj& o : objs) at.push_back(Object(o));
        out.EndChunk();
        Nodes(nodes);
        return at;
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
    f.Scene({{0, {kNullId, 1}}, {1, {}}}, {{0, kNullId}});
    return f;
}

std::string IndexError(std::vector<std::uint8_t> bytes) {
    GetCOREInterface();
    SceneReader r(GetCOREInterface());
    if (r.IndexBytes(std::move(bytes)) == IO_OK) return "(accepted)";
    return r.Error().ToUTF8();
}

std::string Fmt(const wchar_t* f, size_t offset) { return WStr::Format(f, offset).ToUTF8(); }

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
         e = Fmt(L"offset %zu: object 0 names class 7, the class table has 2", f.Scene({{7, {}}}, {})[0] + 6);
         return f.Bytes();
     }},
    {"object without body", [](std::string& e) {
         FileBuilder f;
         e = Fmt(L"offset %zu: object 0 lacks its body (0x2003) chunk", f.Scene({{1, {}, nullptr, false}}, {})[0]);
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
         const size_t at = f.Scene({{0, {kNullId, 5}}}, {{0, kNullId}})[0];
         e = Fmt(L"offset %zu: object 0 (Node, super class 0x1, class id (0x1, 0x0)): reference 1 names object 5, "
                 L"the file has 1",
                 at);
         return f.Bytes();
     }},
    {"reference loop", [](std::string& e) {
         FileBuilder f;
         const size_t second = f.Scene({{1, {1}}, {1, {0}}}, {})[1];
         e = Fmt(L"offset %zu: reference loop: object 1 (Dummy, super class 0x50, class id (0x876234, 0x0)) "
                 L"reference 0 leads back to object 0 (Dummy, super class 0x50, class id (0x876234, 0x0))",
                 second);
         return f.Bytes();
     }},
    {"listed node that is no node", [](std::string& e) {
         FileBuilder f;
         f.Scene({{1, {}}}, {{0, kNullId}});
         auto bytes = f.Bytes();
         e = Fmt(L"offset %zu: node list: id 0 is not a node of the file", bytes.size());
         return bytes;
     }},
    {"node listed twice", [](std::string& e) {
         FileBuilder f;
         f.Scene({{0, {}}}, {{0, kNullId}, {0, kNullId}});
         auto bytes = f.Bytes();
         e = Fmt(L"offset %zu: node list: node 0 is listed twice", bytes.size());
         return bytes;
     }},
    {"node its own ancestor", [](std::string& e) {
         FileBuilder f;
         f.Scene({{0, {}}, {0, {}}}, {{0, 1}, {1, 0}});
         auto bytes = f.Bytes();
         e = Fmt(L"offset %zu: node list: node 0 is its own ancestor", bytes.size());
         return bytes;
     }},
    {"current layer one past the layer table", [](std::string& e) {
         FileBuilder f;
         f.Scene({{2, {}, L"Walls"}}, {}, true);
         f.out.BeginChunk(kSceneChunk);
         f.out.BeginChunk(kLayersChunk);
         f.Ids({0});
         f.U32(1);
         f.out.EndChunk();
         f.out.EndChunk();
         auto bytes = f.Bytes();
         e = Fmt(L"offset %zu: layer table: current layer 1 of 1 layers", bytes.size());
         return bytes;
     }},
};

TEST(SceneFileDamageTest, EachDamagedFileGivesItsError) {
    for (const Case& c : kCases) {
        std::string expected;
        std::vector<std::uint8_t> bytes = c.make(expected);
        EXPECT_EQ(IndexError(std::move(bytes)), expected) << c.name;
    }
}

// Files whose structure is sound but whose references name an object of the wrong kind for the slot:
// only linking finds them.
const char* const kNode = "(Node, super class 0x1, class id (0x1, 0x0))";
const char* const kDummy = "(Dummy, super class 0x50, class id (0x876234, 0x0))";
const char* const kLayer = "(Layer, super class 0x10F0, class id (0x7E9858FE, 0x1DBA1DF0))";
const char* const kDerived = "(Derived Object, super class 0x2, class id (0x3, 0x0))";

std::string Refused(size_t offset, std::int32_t id, const char* kind, int ref, const std::string& target) {
    return Fmt(L"offset %zu: object ", offset) + std::to_string(id) + " " + kind + " refused reference " +
           std::to_string(ref) + " to " + target;
}
std::string Obj(std::int32_t id, const char* kind) { return "object " + std::to_string(id) + " " + kind; }

const Case kLinkCases[] = {
    {"derived object over a layer", [](std::string& e) {
         FileBuilder f;
         const size_t derived = f.Scene({{0, {kNullId, 1}}, {3, {2}}, {2, {}, L"Walls"}}, {{0, kNullId}}, true)[1];
         e = Refused(derived, 1, kDerived, 0, Obj(2, kLayer));
         return f.Bytes();
     }},
    {"node on a dummy as its layer", [](std::string& e) {
         FileBuilder f;
         const size_t node = f.Scene({{0, {kNullId, 1, kNullId, kNullId, 1}}, {1, {}}}, {{0, kNullId}}, true)[0];
         e = Refused(node, 0, kNode, 4, Obj(1, kDummy));
         return f.Bytes();
     }},
    {"node whose transform is the layer manager", [](std::string& e) {
         FileBuilder f;
         const size_t node = f.Scene({{0, {kLayerManagerId, 1}}, {1, {}}}, {{0, kNullId}}, true)[0];
         e = Refused(node, 0, kNode, 0, "the layer manager (id -4)");
         return f.Bytes();
     }},
    // Node 0 is linked to the scene's layers (its layer "0" and "Walls" stand for the file's) before
    // node 3 refuses a layer as its object: those links must be taken back.
    {"refusal after links into the scene", [](std::string& e) {
         FileBuilder f;
         const size_t bad = f.Scene({{0, {kNullId, 1, kNullId, kNullId, 2}},
                                     {1, {}},
                                     {2, {}, L"0"},
                                     {0, {kNullId, 4}},
                                     {2, {2}, L"Walls"}},
                                    {{0, kNullId}, {3, 0}}, true)[3];
         e = Refused(bad, 3, kNode, 1, Obj(4, kLayer));
         return f.Bytes();
     }},
};

TEST(SceneFileDamageTest, AReferenceOfTheWrongKindFailsTheLinkAndLeavesNoTrace) {
    Interface* ip = GetCOREInterface();
    ILayer* root = ip->GetLayerManager()->GetRootLayer();
    for (const Case& c : kLinkCases) {
        std::string expected;
        SceneReader r(ip);
        ASSERT_EQ(r.IndexBytes(c.make(expected)), IO_OK) << c.name << ": " << r.Error().ToUTF8();
        ASSERT_EQ(r.CreateObjects(), IO_OK) << c.name << ": " << r.Error().ToUTF8();
        const int rootDeps = root->NumDependents();
        r.Substitute(2, root);
        std::vector<std::int32_t> roots;
        for (const SceneReader::NodeEntry& n : r.Nodes()) roots.push_back(n.id);
        EXPECT_EQ(r.Link(roots), IO_ERROR) << c.name;
        EXPECT_EQ(r.Error().ToUTF8(), expected) << c.name;
        // Whatever was linked before the refusal is undone: the created objects refer to nothing.
        for (std::int32_t id = 0; id < r.NumObjects(); ++id) {
            ReferenceTarget* t = r.Target(id);
            if (!t || id == 2) continue;
            for (int k = 0; k < t->NumRefs(); ++k) EXPECT_EQ(t->GetReference(k), nullptr) << c.name << " " << id;
        }
        EXPECT_EQ(root->NumDependents(), rootDeps) << c.name;
        r.Discard();
    }
}

// Opening or merging such a file is refused with the same error, and the open scene is unchanged.
class WrongKindFileTest : public SceneFixture {
protected:
    ScratchDir dir_{"ostrivans-io-wrong-kind"};
};

TEST_F(WrongKindFileTest, OpenAndMergeAreRefusedAndTheSceneIsUnchanged) {
    b.Box("Wall01").Layer("Walls").Material(b.Standard("Brick")).Build();
    b.Dummy("Helper").Build();
    Interface* ip = GetCOREInterface();
    ILayerManager* lm = ip->GetLayerManager();
    const std::string before = Dump();
    const int layers = lm->GetLayerCount();
    const int rootDeps = lm->GetRootLayer()->NumDependents();
    const int wallDeps = lm->GetLayer(L"Walls")->NumDependents();
    int i = 0;
    for (const Case& c : kLinkCases) {
        std::string expected;
        const MSTR file = dir_.Write("case" + std::to_string(i++) + ".max", c.make(expected));
        expected = "\"" + file.ToUTF8() + "\": " + expected; // file errors name the file first
        EXPECT_FALSE(ip->LoadFromFile(file.c_str(), FALSE)) << c.name;
        EXPECT_EQ(ip->GetLastFileError().ToUTF8(), expected) << c.name << " (open)";
        EXPECT_EQ(Dump(), before) << c.name << " (open)";
        EXPECT_EQ(ip->MergeFromFile(file.c_str(), TRUE), 0) << c.name;
        EXPECT_EQ(ip->GetLastFileError().ToUTF8(), expected) << c.name << " (merge)";
        EXPECT_EQ(Dump(), before) << c.name << " (merge)";
        EXPECT_EQ(lm->GetLayerCount(), layers) << c.name;
        EXPECT_EQ(lm->GetRootLayer()->NumDependents(), rootDeps) << c.name;
        EXPECT_EQ(lm->GetLayer(L"Walls")->NumDependents(), wallDeps) << c.name;
    }
}

// Found by the fuzzer: a layer whose name chunk is lost could not join the layer manager and leaked.
TEST_F(WrongKindFileTest, ALayerWithoutANameIsNamedWhenOpened) {
    FileBuilder f;
    f.Scene({{0, {kNullId, 1, kNullId, kNullId, 2}}, {1, {}}, {2, {}}}, {{0, kNullId}}, true); // object 2: a nameless layer
    const MSTR file = dir_.Write("unnamed.max", f.Bytes());
    Interface* ip = GetCOREInterface();
    ASSERT_TRUE(ip->LoadFromFile(file.c_str(), FALSE)) << ip->GetLastFileError().ToUTF8();
    ASSERT_EQ(ip->GetRootNode()->NumberOfChildren(), 1);
    ILayer* l = ip->GetRootNode()->GetChildNode(0)->GetLayer();
    ASSERT_NE(l, nullptr);
    EXPECT_FALSE(l->GetName().isNull());
    EXPECT_EQ(ip->GetLayerManager()->GetLayer(l->GetName()), l);
}

} // namespace

// Every input the fuzzer ever stopped on: opening or merging it either works or is refused with an error,
// and a refused file leaves the open scene as it was. The leak and memory checks of the sanitizer build
// run over the same inputs.
TEST_F(WrongKindFileTest, EveryFuzzerFindingOpensOrIsRefusedCleanly) {
    const std::filesystem::path findings = SourceTree() / "fuzz/findings";
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(findings)) {
        ++seen;
        const std::string name = entry.path().filename().string();
        b.Box("Wall01").Build();
        const std::string before = Dump();
        const MSTR file = WStr::FromUTF8(entry.path().string());
        Interface* ip = GetCOREInterface();
        if (!ip->LoadFromFile(file.c_str(), FALSE)) {
            EXPECT_FALSE(ip->GetLastFileError().isNull()) << name;
            EXPECT_EQ(Dump(), before) << name;
        }
        const std::string afterOpen = Dump();
        if (!ip->MergeFromFile(file.c_str(), TRUE)) {
            EXPECT_FALSE(ip->GetLastFileError().isNull()) << name;
            EXPECT_EQ(Dump(), afterOpen) << name;
        }
        ip->FileReset(TRUE);
    }
    EXPECT_GE(seen, 3);
}
