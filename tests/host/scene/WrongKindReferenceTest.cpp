// References to a target of the wrong kind for the slot are refused: the slot is left empty and the target
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
    std::vector<ReferenceTarget*> loose_;
};

// Each row offers a slot a target, in order: a target of the wrong kind is refused, which leaves the slot
// empty and the target without a new dependent; one of the right kind is taken.
TEST_F(WrongKindReferenceTest, SlotsTakeOnlyTheirKind) {
    INode* n = b.Box("Box01").Build();
    INode* bent = b.Box("Box02").Build();
    b.AddModifier(bent, BEND_MODIFIER_CLASS_ID);
    auto* stack = dynamic_cast<IDerivedObject*>(bent->GetObjectRef());
    Object* box = b.Box("Box03").Build()->GetObjectRef();
    Control* prs = b.Box("Box04").Build()->GetTMController();
    ASSERT_TRUE(stack && box && prs);
    ILayer* walls = b.Layer("Walls");
    ILayer* props = b.Layer("Props");
    Mtl* brick = b.Standard("Brick");
    auto* manager = dynamic_cast<ReferenceMaker*>(GetCOREInterface()->GetLayerManager());
    ReferenceTarget* fl = Make(CTRL_FLOAT_CLASS_ID, BEZIER_FLOAT_CLASS_ID);
    ReferenceTarget* pos = Make(CTRL_POSITION_CLASS_ID, BEZIER_POSITION_CLASS_ID);
    ReferenceTarget* pos2 = Make(CTRL_POSITION_CLASS_ID, BEZIER_POSITION_CLASS_ID);
    auto* xyz = Make(CTRL_POSITION_CLASS_ID, POSITION_XYZ_CLASS_ID);
    auto* list = Make(CTRL_FLOAT_CLASS_ID, FLOAT_LIST_CLASS_ID);
    auto* link = Make(CTRL_MATRIX3_CLASS_ID, LINK_CONSTRAINT_CLASS_ID);
    struct Row {
        const char* what;
        ReferenceMaker* maker;
        int slot;
        ReferenceTarget* target;
        bool taken;
    };
    const Row rows[] = {
        {"node object <- layer", n, NODE_REF_OBJ, walls, false},
        {"node transform <- float controller", n, NODE_REF_TM, fl, false},
        {"node layer <- material", n, NODE_REF_LAYER, brick, false},
        {"node material <- layer", n, NODE_REF_MTL, walls, false},
        {"node visibility <- material", n, NODE_REF_VIS, brick, false},
        {"node material <- material", n, NODE_REF_MTL, brick, true},
        {"node visibility <- float controller", n, NODE_REF_VIS, fl, true},
        {"stack object <- layer", stack, 0, walls, false},
        {"stack modifier <- layer", stack, 1, walls, false},
        {"layer parent <- material", walls, 0, brick, false},
        {"layer parent <- layer", walls, 0, props, true},
        {"PRS position <- float controller", prs, 0, fl, false},
        {"PRS position <- position controller", prs, 0, pos, true},
        {"XYZ axis <- position controller", xyz, 0, pos2, false},
        {"list weights <- position controller", list, 0, pos2, false},
        {"list cut item <- position controller", list, 1, pos2, false},
        {"link transform <- float controller", link, 0, fl, false},
        {"material block <- layer", brick, 0, walls, false},
        {"parameter controller <- layer", box->GetParamBlock(0), 0, walls, false},
        {"object block <- layer", box, 0, walls, false},
        // Last: the manager's first entry is Walls, which the refusal lets go.
        {"layer manager entry <- material", manager, 1, brick, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_NE(r.maker, nullptr);
        const int before = r.target->NumDependents();
        EXPECT_EQ(r.maker->ReplaceReference(r.slot, r.target), r.taken ? REF_SUCCEED : REF_FAIL);
        EXPECT_EQ(r.maker->GetReference(r.slot), r.taken ? r.target : nullptr);
        EXPECT_EQ(r.target->NumDependents(), before + (r.taken ? 1 : 0));
    }
}

} // namespace
