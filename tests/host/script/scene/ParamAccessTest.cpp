// What script values become inside the host: parameters are stored in the host's own units (angles in
// radians, percentages as fractions, colours 0 to 1, wire colours as COLORREF), text shapes keep their text
// behind the text-object interface, and classes a module registers late construct in the next script.
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/script/scene/SceneClasses.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

#include <numbers>

TEST_F(ScriptScene, ScriptValuesAreStoredInTheHostsUnitsAndTextBehindTheTextInterface) {
    Run(L"s = Sphere name:\"S\" slice:true sliceFrom:90 wirecolor:(color 255 0 0)");
    Run(L"m = Standard opacity:50 diffuse:(color 51 102 255); $S.material = m");
    IParamBlock2* sphere = Node(L"S")->GetObjectRef()->FindBaseObject()->GetParamBlock(0);
    IParamBlock2* mtl = Node(L"S")->GetMtl()->GetParamBlock(0);
    ASSERT_TRUE(sphere && mtl);
    EXPECT_NEAR(sphere->GetFloat(6), std::numbers::pi / 2, 1e-5);
    EXPECT_NEAR(mtl->GetFloat(6), 0.5f, 1e-6f);
    EXPECT_NEAR(mtl->GetPoint3(1).x, 0.2f, 1e-6f);
    EXPECT_NEAR(mtl->GetPoint3(1).z, 1.0f, 1e-6f);
    EXPECT_EQ(Node(L"S")->GetWireColor(), 0x0000FFu);
    Run(L"Text text:\"Hello\" name:\"Sign\"");
    auto* text = static_cast<ITextObject*>(
        Node(L"Sign")->GetObjectRef()->FindBaseObject()->GetInterface(static_cast<ULONG>(I_TEXTOBJECT)));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->GetString(), MSTR(L"Hello"));
}

TEST_F(ScriptScene, AClassRegisteredAfterStartUpConstructsInTheNextScript) {
    ObjectClassDef def;
    def.superClass = OSM_CLASS_ID;
    def.classId = Class_ID(0x51CE0001, 0x51CE0002);
    def.className = L"Late Warp";
    def.params = {MakeFloatParam(0, L"strength", 3.0f, TYPE_FLOAT)};
    EXPECT_EQ(Error(L"Late_Warp()"), L"t.ms:1:1: Type error: Call needs function or class, got: undefined (in call to Late_Warp)");
    RegisterGenericObjectClass(def);
    EXPECT_EQ(Eval(L"(Late_Warp strength:4).strength"), L"4.0");
    EXPECT_EQ(Eval(L"superClassOf Late_Warp"), L"modifier");
}
