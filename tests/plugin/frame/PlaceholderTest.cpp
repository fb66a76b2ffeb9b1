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
#include "tests/support/SceneBuilder.h"

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

class PlaceholderTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
    }
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

TEST_F(PlaceholderTest, SavesItsMatrixAsOne52ByteChunkBitForBit) {
    const Matrix3 m = Sample();
    EmptyController c(m);
    ChunkSave out;
    ASSERT_EQ(c.Save(&out), IO_OK);
    const std::vector<std::uint8_t>& bytes = out.Bytes();
    ASSERT_EQ(bytes.size(), 6u + 52u);
    // Chunk id 0x0000, length 58 (header included), then rows first and the flags word last.
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 0);
    std::uint32_t word = 0;
    std::memcpy(&word, &bytes[2], 4);
    EXPECT_EQ(word, 58u);
    EXPECT_EQ(std::memcmp(&bytes[6], m.Data(), 48), 0);
    DWORD flags = 0;
    std::memcpy(&flags, &bytes[54], 4);
    EXPECT_EQ(flags, m.GetIdentFlags());

    ChunkLoad in(bytes);
    EmptyController back(TRUE);
    ASSERT_EQ(back.Load(&in), IO_OK);
    EXPECT_TRUE(BitEqual(back.GetMatrix(), m));
    EXPECT_EQ(back.Dump(), c.Dump());
}

TEST_F(PlaceholderTest, LoadTakesAnyChunkIdAndHandsBackTheStreamsAnswer) {
    ChunkSave out;
    out.BeginChunk(0x1234);
    unsigned char raw[52];
    Matrix3 m = Sample();
    std::memcpy(raw, m.Data(), 48);
    const DWORD flags = m.GetIdentFlags();
    std::memcpy(raw + 48, &flags, 4);
    ULONG n = 0;
    out.Write(raw, 52, &n);
    out.EndChunk();
    ChunkLoad in(out.Bytes());
    EmptyController c(TRUE);
    EXPECT_EQ(c.Load(&in), IO_OK);
    EXPECT_TRUE(BitEqual(c.GetMatrix(), m));

    // No chunk at all: the stream's end, and the matrix untouched.
    ChunkLoad empty(std::vector<std::uint8_t>{});
    EmptyController d(Sample());
    EXPECT_EQ(d.Load(&empty), IO_END);
    EXPECT_TRUE(BitEqual(d.GetMatrix(), Sample()));

    // A chunk too short for a matrix is an error.
    ChunkSave shortOut;
    shortOut.BeginChunk(0);
    shortOut.Write(raw, 20, &n);
    shortOut.EndChunk();
    ChunkLoad shortIn(shortOut.Bytes());
    EXPECT_EQ(EmptyController(TRUE).Load(&shortIn), IO_ERROR);
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

TEST_F(PlaceholderTest, FactoryGivesAShapeForShapesAndAnObjectForEverythingElse) {
    auto make = [](SClass_ID sc, Class_ID cid) {
        return static_cast<Object*>(static_cast<Animatable*>(GetClassDirectory().CreateInstance(sc, cid)));
    };
    struct Case {
        Object* replaced;
        Class_ID expected;
    };
    const Case cases[] = {
        {make(SHAPE_CLASS_ID, TEXT_SHAPE_CLASS_ID), EMPTY_SHAPE_CLASS_ID},
        {make(GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID), EMPTY_BASE_OBJECT_CLASS_ID},
        {make(CAMERA_CLASS_ID, FREE_CAMERA_CLASS_ID), EMPTY_BASE_OBJECT_CLASS_ID},
        {make(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID), EMPTY_BASE_OBJECT_CLASS_ID},
        {make(HELPER_CLASS_ID, POINT_HELPER_CLASS_ID), EMPTY_BASE_OBJECT_CLASS_ID},
        {nullptr, EMPTY_BASE_OBJECT_CLASS_ID},
    };
    for (const Case& c : cases) {
        Object* p = MakePlaceholderObject(c.replaced);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->ClassID(), c.expected);
        EXPECT_EQ(p->SuperClassID(),
                  c.expected == EMPTY_SHAPE_CLASS_ID ? SHAPE_CLASS_ID : GEOMOBJECT_CLASS_ID);
        // Evaluation gives the placeholder itself; it has nothing of its own.
        EXPECT_EQ(p->Eval(0).obj, p);
        EXPECT_EQ(p->NumRefs(), 0);
        EXPECT_EQ(p->NumSubs(), 0);
        EXPECT_EQ(p->NumParamBlocks(), 0);
        MSTR name;
        p->GetClassName(name);
        EXPECT_EQ(name, MSTR(c.expected == EMPTY_SHAPE_CLASS_ID ? L"Shape" : L"Object"));
        p->DeleteThis();
        if (c.replaced) c.replaced->DeleteThis();
    }
}

TEST_F(PlaceholderTest, ClonesCopyTheHeldMatrix) {
    EmptyController c(Sample());
    RemapDir remap;
    std::unique_ptr<EmptyController> copy(static_cast<EmptyController*>(c.Clone(remap)));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(BitEqual(copy->GetMatrix(), Sample()));
    EXPECT_EQ(remap.FindMapping(&c), copy.get());
    EmptyShape shape;
    RefTargetHandle shapeCopy = shape.Clone(remap);
    ASSERT_NE(dynamic_cast<EmptyShape*>(shapeCopy), nullptr);
    shapeCopy->DeleteThis();
}

TEST_F(PlaceholderTest, PlaceholdersSaveAndOpenWithTheScene) {
    INode* node = b.Box("Held").Build();
    node->SetObjectRef(MakePlaceholderObject(node->GetObjectRef()));
    node->SetTMController(MakePlaceholderController(Sample()));
    b.Sphere("Child").Parent(node).Pos({1, 2, 3}).Build();
    const Point3 childPos = GetCOREInterface()->GetINodeByName(L"Child")->GetNodeTM(0).GetTrans();

    SaveAndReopen("ostrivans-placeholders");
    if (HasFatalFailure()) return;

    INode* held = GetCOREInterface()->GetINodeByName(L"Held");
    ASSERT_NE(held, nullptr);
    ASSERT_NE(held->GetObjectRef(), nullptr);
    EXPECT_EQ(held->GetObjectRef()->ClassID(), EMPTY_BASE_OBJECT_CLASS_ID);
    auto* ctrl = dynamic_cast<EmptyController*>(held->GetTMController());
    ASSERT_NE(ctrl, nullptr);
    EXPECT_TRUE(BitEqual(ctrl->GetMatrix(), Sample()));
    EXPECT_TRUE(
        GetCOREInterface()->GetINodeByName(L"Child")->GetNodeTM(0).GetTrans().Equals(childPos, 1e-4f));
}

} // namespace
