// References to a target of the wrong kind for the slot are refused: the slot stays null and the target
// gains no dependent, whichever class holds the slot.
#include "host/core/ClassDirectory.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/ILayer.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/nodes/Node.h"
#include "host/scene/objects/ObjectClasses.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

namespace {

class WrongKindReferenceTest : public SceneFixture {
protected:
    void TearDown() override {
        // The refused targets belong to nobody.
        for (ReferenceTarget* t : loose_)
            if (t->NumDependents() == 0) t->DeleteMe();
        SceneFixture::TearDown();
    }
    ReferenceTarget* Make(SClass_ID s, const Class_ID& c) {
        auto* t = static_cast<ReferenceTarget*>(static_cast<Animatable*>(CreateInstance(s, c)));
        loose_.push_back(t);
        return t;
    }
    static void ExpectRefused(ReferenceMaker* m, int i, ReferenceTarget* t, const char* what) {
        const int before = t->NumDependents();
        EXPECT_EQ(m->ReplaceReference(i, t), REF_FAIL) << what;
        EXPECT_EQ(m->GetReference(i), nullptr) << what;
        EXPECT_EQ(t->NumDependents(), before) << what;
    }
    static void ExpectTaken(ReferenceMaker* m, int i, ReferenceTarget* t, const char* what) {
        EXPECT_EQ(m->ReplaceReference(i, t), REF_SUCCEED) << what;
        EXPECT_EQ(m->GetReference(i), t) << what;
    }

    std::vector<ReferenceTarget*> loose_;
};

TEST_F(WrongKindReferenceTest, NodeSlotsTakeOnlyTheirKind) {
    INode* n = b.Box("Box01").Build();
    ILayer* walls = b.Layer("Walls");
    Mtl* brick = b.Standard("Brick");
    ReferenceTarget* fl = Make(CTRL_FLOAT_CLASS_ID, BEZIER_FLOAT_CLASS_ID);
    ExpectRefused(n, NODE_REF_OBJ, walls, "object <- layer");
    EXPECT_EQ(n->GetObjectRef(), nullptr);
    ExpectRefused(n, NODE_REF_TM, fl, "transform <- float controller");
    EXPECT_EQ(n->GetTMController(), nullptr);
    ExpectRefused(n, NODE_REF_LAYER, brick, "layer <- material");
    ExpectRefused(n, NODE_REF_MTL, walls, "material <- layer");
    ExpectRefused(n, NODE_REF_VIS, brick, "visibility <- material");
    ExpectTaken(n, NODE_REF_MTL, brick, "material <- material");
    ExpectTaken(n, NODE_REF_VIS, fl, "visibility <- float controller");
}

TEST_F(WrongKindReferenceTest, DerivedObjectTakesAnObjectAndModifiers) {
    INode* n = b.Box("Box01").Build();
    b.AddModifier(n, BEND_MODIFIER_CLASS_ID);
    auto* d = dynamic_cast<IDerivedObject*>(n->GetObjectRef());
    ASSERT_NE(d, nullptr);
    ILayer* walls = b.Layer("Walls");
    ExpectRefused(d, 0, walls, "object <- layer");
    EXPECT_EQ(d->GetObjRef(), nullptr);
    ExpectRefused(d, 1, walls, "modifier <- layer");
    EXPECT_EQ(d->GetModifier(0), nullptr);
}

TEST_F(WrongKindReferenceTest, LayersTakeOnlyLayers) {
    ILayer* walls = b.Layer("Walls");
    ILayer* props = b.Layer("Props");
    Mtl* brick = b.Standard("Brick");
    loose_.push_back(brick);
    ExpectRefused(walls, 0, brick, "parent <- material");
    EXPECT_EQ(walls->GetParentLayer(), nullptr);
    ExpectTaken(walls, 0, props, "parent <- layer");
    EXPECT_EQ(walls->GetParentLayer(), props);
    auto* lm = dynamic_cast<ReferenceMaker*>(GetCOREInterface()->GetLayerManager());
    ASSERT_NE(lm, nullptr);
    ExpectRefused(lm, 1, brick, "manager entry <- material");
}

TEST_F(WrongKindReferenceTest, ControllersTakeControllersOfTheirSlotsSuperClass) {
    INode* n = b.Box("Box01").Build();
    Control* prs = n->GetTMController();
    ASSERT_NE(prs, nullptr);
    ReferenceTarget* fl = Make(CTRL_FLOAT_CLASS_ID, BEZIER_FLOAT_CLASS_ID);
    ReferenceTarget* pos = Make(CTRL_POSITION_CLASS_ID, BEZIER_POSITION_CLASS_ID);
    ExpectRefused(prs, 0, fl, "PRS position <- float controller");
    ExpectTaken(prs, 0, pos, "PRS position <- position controller");

    auto* xyz = static_cast<ReferenceTarget*>(Make(CTRL_POSITION_CLASS_ID, POSITION_XYZ_CLASS_ID));
    ReferenceTarget* pos2 = Make(CTRL_POSITION_CLASS_ID, BEZIER_POSITION_CLASS_ID);
    ExpectRefused(xyz, 0, pos2, "XYZ axis <- position controller");

    ReferenceTarget* list = Make(CTRL_FLOAT_CLASS_ID, FLOAT_LIST_CLASS_ID);
    ExpectRefused(list, 0, pos2, "list weights <- position controller");
    ExpectRefused(list, 1, pos2, "list cut item <- position controller");

    ReferenceTarget* link = Make(CTRL_MATRIX3_CLASS_ID, LINK_CONSTRAINT_CLASS_ID);
    ExpectRefused(link, 0, fl, "link transform <- float controller");
}

TEST_F(WrongKindReferenceTest, MaterialsAndBlocksTakeOnlyTheirKind) {
    ILayer* walls = b.Layer("Walls");
    Mtl* brick = b.Standard("Brick");
    loose_.push_back(brick);
    ExpectRefused(brick, 0, walls, "material block <- layer");
    EXPECT_EQ(brick->GetParamBlock(0), nullptr);

    INode* n = b.Box("Box01").Build();
    Object* box = n->GetObjectRef();
    ASSERT_NE(box, nullptr);
    ASSERT_GT(box->NumRefs(), 0);
    IParamBlock2* pb = box->GetParamBlock(0);
    ASSERT_NE(pb, nullptr);
    // A controller slot of a parameter takes only a controller.
    ExpectRefused(pb, 0, walls, "length controller <- layer");
    ExpectRefused(box, 0, walls, "object block <- layer");
    EXPECT_EQ(box->GetParamBlock(0), nullptr);
}

} // namespace
