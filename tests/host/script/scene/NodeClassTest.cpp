// classOf of a node names what its stack delivers: a modifier that turns the object into another kind of
// object changes the node's class and print form, while .baseObject keeps the original.
#include "host/core/ClassDirectory.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ConfiguredObject.h"
#include "host/scene/objects/ObjectClasses.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

namespace {

Object* gDelivered = nullptr; // what the converting modifier hands up the stack

class ConvertingModifier : public GenericModifier {
public:
    using GenericModifier::GenericModifier;
    void ModifyObject(TimeValue t, ModContext& mc, ObjectState* os, INode* node) override {
        GenericModifier::ModifyObject(t, mc, os, node);
        if (gDelivered) os->obj = gDelivered;
    }
};

} // namespace

TEST_F(ScriptScene, ClassOfANodeNamesWhatItsStackDelivers) {
    ObjectClassDef def;
    def.superClass = OSM_CLASS_ID;
    def.classId = Class_ID(0x51CE0003, 0x51CE0004);
    def.className = L"To Sphere";
    static ObjectClassDesc desc(def, [](ObjectClassDesc* cd, BOOL loading) -> Animatable* {
        return new ConvertingModifier(cd, loading);
    });
    GetClassDirectory().AddClass(&desc);
    Run(L"b = Box name:\"B\"; s = Sphere name:\"S\"; addModifier b (To_Sphere())");
    gDelivered = Node(L"S")->GetObjectRef();
    EXPECT_EQ(Eval(L"#(classOf b, classOf b.baseObject, superClassOf b, isKindOf b Sphere)"),
              L"#(Sphere, Box, GeometryClass, true)");
    EXPECT_EQ(Eval(L"b"), L"$Sphere:B @ [0.000000,0.000000,0.000000]");
    // The delivered object is kept until the modifier says it changed.
    gDelivered = nullptr;
    EXPECT_EQ(Eval(L"classOf b"), L"Sphere");
    Modifier* toSphere = static_cast<IDerivedObject*>(Node(L"B")->GetObjectRef())->GetModifier(0);
    toSphere->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(Eval(L"classOf b"), L"Box");
    GetClassDirectory().RemoveClass(&desc);
}
