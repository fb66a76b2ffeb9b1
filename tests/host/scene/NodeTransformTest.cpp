// Node transforms through the hierarchy: the controller's value relative to the parent's node TM,
// setting a world TM, keeping positions when linking, object offsets, and change messages to children.
#include "host/scene/Control.h"
#include "host/scene/Interface.h"
#include "tests/host/scene/NodeTestSupport.h"
#include "tests/support/SceneBuilder.h"

namespace {

class NodeTransformTest : public SceneFixture {};

Matrix3 At(float x, float y, float z) { return TransMatrix(Point3(x, y, z)); }

// A transform controller that multiplies a held matrix with the incoming one and ignores SetValue, as
// placeholder controllers do.
class HeldTimesIncoming : public Control {
public:
    explicit HeldTimesIncoming(const Matrix3& held) : held_(held) {}
    Class_ID ClassID() override { return Class_ID(0x7E5A0002, 0); }
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetValue(TimeValue, void* val, Interval&, GetSetMethod method) override {
        Matrix3& m = *static_cast<Matrix3*>(val);
        m = method == CTRL_RELATIVE ? held_ * m : held_;
    }
    void SetValue(TimeValue, void*, int, GetSetMethod) override {}
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* c = new HeldTimesIncoming(held_);
        BaseClone(this, c, remap);
        return c;
    }

private:
    Matrix3 held_;
};

// Where nodes end up: a child's local offset rides on its parent (turned with it), linking keeps the world
// or the local position, and a node without a controller sits at its parent.
TEST_F(NodeTransformTest, ChildrenRideOnTheirParents) {
    INode* parent = b.Dummy("P").Pos({10, 0, 0}).Build();
    INode* child = b.Box("C").Parent(parent).Build();
    child->SetNodeTM(0, At(10, 5, 0));
    parent->SetNodeTM(0, RotateZMatrix(1.5707963f) * At(0, 0, 20));
    EXPECT_TRUE(child->GetNodeTM(0).GetTrans().Equals(Point3(-5, 0, 20), 1e-4f));
    INode* kept = b.Box("Kept").Pos({5, 0, 0}).Build();
    INode* moved = b.Box("Moved").Pos({5, 0, 0}).Build();
    parent->SetNodeTM(0, At(0, 10, 0));
    parent->AttachChild(kept, TRUE);
    parent->AttachChild(moved, FALSE);
    EXPECT_TRUE(kept->GetNodeTM(0).GetTrans().Equals(Point3(5, 0, 0)));
    EXPECT_TRUE(moved->GetNodeTM(0).GetTrans().Equals(Point3(5, 10, 0)));
    kept->Detach(0, TRUE);
    EXPECT_TRUE(kept->GetNodeTM(0).GetTrans().Equals(Point3(5, 0, 0)));
    moved->SetTMController(nullptr);
    EXPECT_TRUE(moved->GetNodeTM(0).GetTrans().Equals(Point3(0, 10, 0)));
    EXPECT_TRUE(GetCOREInterface()->GetRootNode()->GetNodeTM(0).IsIdentity());
    // A change of a parent's transform reaches the dependents of its children's children.
    INode* leaf = b.Box("L").Parent(child).Build();
    RefListener l(leaf);
    parent->SetNodeTM(0, At(1, 2, 3));
    EXPECT_TRUE(l.Heard(REFMSG_CHANGE, PART_TM));
}

// Placeholders hold a matrix and ignore SetValue: their children follow the held matrix.
TEST_F(NodeTransformTest, RelativeControllerMakesChildrenFollowTheHeldMatrix) {
    INode* holder = b.Dummy("Holder").Build();
    holder->SetTMController(new HeldTimesIncoming(At(3, 0, 0)));
    INode* child = b.Box("C").Parent(holder).Build();
    child->SetNodeTM(0, At(3, 4, 0));
    INode* top = b.Dummy("Top").Pos({0, 0, 7}).Build();
    top->AttachChild(holder, FALSE);
    EXPECT_TRUE(child->GetNodeTM(0).GetTrans().Equals(Point3(3, 4, 7)));
    holder->SetNodeTM(0, At(100, 100, 100)); // ignored by the controller
    EXPECT_TRUE(holder->GetNodeTM(0).GetTrans().Equals(Point3(3, 0, 7)));
}

TEST_F(NodeTransformTest, ObjectTMAppliesTheObjectOffset) {
    INode* box = b.Box("B").Pos({10, 0, 0}).Build();
    box->SetObjOffsetPos(Point3(0, 0, 2));
    box->SetObjOffsetScale(ScaleValue(Point3(2, 2, 2)));
    EXPECT_TRUE(box->GetNodeTM(0).GetTrans().Equals(Point3(10, 0, 0)));
    EXPECT_TRUE((Point3(1, 0, 0) * box->GetObjectTM(0)).Equals(Point3(12, 0, 2)));
}

} // namespace
