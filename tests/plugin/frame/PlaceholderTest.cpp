// Placeholder objects: the held transform of EmptyController (values, its 52-byte chunk, nodes that use
// it), the placeholder factory, and placeholders surviving a scene file.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/EmptyShape.h"
#include "plugin/frame/PlaceholderFactory.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// A transform with rotation, scale and translation, so no identity flag holds.
Matrix3 Sample() {
    Matrix3 m = RotateZMatrix(0.7f) * ScaleMatrix(Point3(1.5f, 2.0f, 0.25f));
    m.SetTrans(Point3(10.125f, -3.5f, 7.0f));
    return m;
}

bool BitEqual(const Matrix3& a, const Matrix3& b) {
    return std::memcmp(a.Data(), b.Data(), 12 * sizeof(float)) == 0 && a.GetIdentFlags() == b.GetIdentFlags();
}

class PlaceholderTest : public PluginSceneFixture {
protected:
    static Point3 WorldPos(INode* n) { return n->GetNodeTM(0).GetTrans(); }
};

TEST_F(PlaceholderTest, AbsoluteGivesTheHeldMatrixRelativeMultipliesHeldFirst) {
    EmptyController c(Sample());
    Matrix3 parent = RotateXMatrix(0.3f);
    parent.SetTrans(Point3(1, 2, 3));
    Interval valid(10, 20);

    Matrix3 v = parent;
    c.GetValue(0, &v, valid, CTRL_ABSOLUTE);
    EXPECT_TRUE(BitEqual(v, Sample()));
    v = parent;
    c.GetValue(0, &v, valid, CTRL_RELATIVE);
    EXPECT_TRUE(v.Equals(Sample() * parent));
    EXPECT_FALSE(v.Equals(parent * Sample()));
    // The value never changes over time: the caller's interval is left as it was.
    EXPECT_EQ(valid, Interval(10, 20));

    Matrix3 moved = TransMatrix(Point3(100, 0, 0));
    c.SetValue(0, &moved, 1, CTRL_ABSOLUTE);
    c.SetValue(0, &moved, 1, CTRL_RELATIVE);
    EXPECT_TRUE(BitEqual(c.GetMatrix(), Sample()));
    EXPECT_TRUE(EmptyController().GetMatrix().IsIdentity());
}

// One chunk: id 0x0000, its length with the 6-byte header, then the rows first and the flags word last.
// Loading takes the first chunk whatever its id, needs the whole matrix and hands back the stream's answer.
TEST_F(PlaceholderTest, TheMatrixIsOne52ByteChunkBitForBit) {
    const Matrix3 m = Sample();
    auto chunk = [&m](USHORT id, ULONG size) {
        ChunkSave out;
        out.BeginChunk(id);
        std::vector<std::uint8_t> raw(52);
        std::memcpy(raw.data(), m.Data(), 48);
        const DWORD flags = m.GetIdentFlags();
        std::memcpy(raw.data() + 48, &flags, 4);
        ULONG n = 0;
        out.Write(raw.data(), size, &n);
        out.EndChunk();
        return out.Bytes();
    };
    EmptyController c(m);
    ChunkSave out;
    ASSERT_EQ(c.Save(&out), IO_OK);
    EXPECT_EQ(out.Bytes(), chunk(0, 52));
    EXPECT_EQ(out.Bytes()[2], 58);

    const Matrix3 before = TransMatrix(Point3(1, 2, 3));
    struct Row {
        std::vector<std::uint8_t> bytes;
        IOResult result;
    };
    for (const Row& r : {Row{out.Bytes(), IO_OK}, Row{chunk(0x1234, 52), IO_OK}, Row{{}, IO_END},
                         Row{chunk(0, 20), IO_ERROR}}) {
        ChunkLoad in(r.bytes);
        EmptyController back(before);
        EXPECT_EQ(back.Load(&in), r.result) << r.bytes.size();
        if (r.result != IO_ERROR) {
            EXPECT_TRUE(BitEqual(back.GetMatrix(), r.result == IO_OK ? m : before));
        }
    }
}

TEST_F(PlaceholderTest, ANodeStaysWhileItsChildrenFollowTheHeldTransform) {
    INode* parent = b.Box("Wall").Pos({10, 0, 0}).Build();
    INode* child = b.Sphere("Ball").Parent(parent).Pos({15, 0, 0}).Build();
    ASSERT_TRUE(WorldPos(child).Equals(Point3(15, 0, 0), 1e-4f));

    // The held transform turns a quarter about Z: the child's offset of 5 along X turns with it.
    Matrix3 held = RotateZMatrix(1.5707964f);
    held.SetTrans(Point3(30, 0, 0));
    ASSERT_TRUE(parent->SetTMController(MakePlaceholderController(held)));
    EXPECT_TRUE(WorldPos(parent).Equals(Point3(30, 0, 0), 1e-4f));
    EXPECT_TRUE(WorldPos(child).Equals(Point3(30, 5, 0), 1e-4f));

    // Moving the placeholder's node does nothing; the child keeps its place relative to it.
    parent->SetNodeTM(0, TransMatrix(Point3(-50, 5, 5)));
    EXPECT_TRUE(WorldPos(parent).Equals(Point3(30, 0, 0), 1e-4f));
    EXPECT_TRUE(WorldPos(child).Equals(Point3(30, 5, 0), 1e-4f));
    // The child itself still moves.
    child->SetNodeTM(0, TransMatrix(Point3(40, 1, 0)));
    EXPECT_TRUE(WorldPos(child).Equals(Point3(40, 1, 0), 1e-4f));
}

// A placeholder has nothing of its own and evaluates to itself.
TEST_F(PlaceholderTest, FactoryGivesAShapeForShapesAndAnObjectForEverythingElse) {
    std::string made;
    for (auto [sc, cid] : {std::pair{SHAPE_CLASS_ID, TEXT_SHAPE_CLASS_ID}, {GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID},
                           {CAMERA_CLASS_ID, FREE_CAMERA_CLASS_ID}, {LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID},
                           {HELPER_CLASS_ID, POINT_HELPER_CLASS_ID}, {SClass_ID(0), Class_ID()}}) {
        auto* replaced = sc ? static_cast<Object*>(static_cast<Animatable*>(CreateInstance(sc, cid))) : nullptr;
        Object* p = MakePlaceholderObject(replaced);
        ASSERT_NE(p, nullptr);
        MSTR name;
        p->GetClassName(name);
        made += name.ToUTF8() + " ";
        EXPECT_EQ(p->ClassID(), name == MSTR(L"Shape") ? EMPTY_SHAPE_CLASS_ID : EMPTY_BASE_OBJECT_CLASS_ID);
        EXPECT_EQ(p->SuperClassID(), name == MSTR(L"Shape") ? SHAPE_CLASS_ID : GEOMOBJECT_CLASS_ID);
        EXPECT_EQ(p->Eval(0).obj, p);
        EXPECT_EQ(p->NumRefs() + p->NumSubs() + p->NumParamBlocks(), 0);
        p->DeleteThis();
        if (replaced) replaced->DeleteThis();
    }
    EXPECT_EQ(made, "Shape Object Object Object Object Object ");
}

TEST_F(PlaceholderTest, ClonesCopyTheHeldMatrix) {
    EmptyController c(Sample());
    RemapDir remap;
    std::unique_ptr<EmptyController> copy(static_cast<EmptyController*>(c.Clone(remap)));
    EXPECT_TRUE(BitEqual(copy->GetMatrix(), Sample()));
    EXPECT_EQ(remap.FindMapping(&c), copy.get());
    EmptyShape shape;
    std::unique_ptr<ReferenceTarget> shapeCopy(shape.Clone(remap));
    EXPECT_NE(dynamic_cast<EmptyShape*>(shapeCopy.get()), nullptr);
}

// The scene's dump shows the placeholder object and controller, and where the child stands.
TEST_F(PlaceholderTest, PlaceholdersSaveAndOpenWithTheScene) {
    INode* node = b.Box("Held").Build();
    node->SetObjectRef(MakePlaceholderObject(node->GetObjectRef()));
    node->SetTMController(MakePlaceholderController(Sample()));
    b.Sphere("Child").Parent(node).Pos({1, 2, 3}).Build();
    const std::string before = Dump();
    SaveAndReopen("ostrivans-placeholders");
    if (HasFatalFailure()) return;
    EXPECT_EQ(Dump(), before);
    auto* ctrl = dynamic_cast<EmptyController*>(GetCOREInterface()->GetINodeByName(L"Held")->GetTMController());
    ASSERT_NE(ctrl, nullptr);
    EXPECT_TRUE(BitEqual(ctrl->GetMatrix(), Sample()));
}

} // namespace
