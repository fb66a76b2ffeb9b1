// Object classes from script: the host's constructors, their classes and super classes, parameters of
// both block generations, text shapes, and getDir's host folders.
#include "host/application/HostInterface.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/script/scene/SceneClasses.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

TEST_F(ScriptScene, EveryBuiltInObjectConstructorMakesANodeOfItsFamily) {
    Run(L"Plane(); Cylinder(); Point(); Dummy(); TargetSpot(); FreeCamera(); Text()");
    for (const wchar_t* name : {L"Plane001", L"Cylinder001", L"Point001", L"Dummy001", L"Spot001", L"Camera001",
                                L"Text001"})
        EXPECT_TRUE(Node(name)) << name;
    EXPECT_EQ(Eval(L"superClassOf $Spot001"), L"light");
    EXPECT_EQ(Eval(L"superClassOf $Camera001"), L"camera");
    EXPECT_EQ(Eval(L"superClassOf $Text001"), L"shape");
    EXPECT_EQ(Eval(L"superClassOf GeometryClass"), L"Node");
    EXPECT_EQ(Eval(L"isKindOf $Plane001 GeometryClass"), L"true");
}

TEST_F(ScriptScene, LightParametersOfTheOlderBlockReadAndWriteByName) {
    Run(L"o = Omnilight name:\"Key\"");
    EXPECT_EQ(Eval(L"o.multiplier"), L"1.0");
    Run(L"o.multiplier = 2.5; o.far_attenuation_end = 300");
    EXPECT_EQ(Eval(L"o.multiplier"), L"2.5");
    EXPECT_EQ(Eval(L"o.farAttenuationEnd"), L"300.0");
}

TEST_F(ScriptScene, TextShapesTakeTheirTextAsAKeyword) {
    Run(L"t = Text text:\"Hello\" name:\"Sign\"");
    EXPECT_EQ(Eval(L"$Sign.text"), L"\"Hello\"");
    auto* text = static_cast<ITextObject*>(
        Node(L"Sign")->GetObjectRef()->FindBaseObject()->GetInterface(static_cast<ULONG>(I_TEXTOBJECT)));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->GetString(), MSTR(L"Hello"));
}

TEST_F(ScriptScene, AutomaticNamesStayCheapAndUniqueOverManyNodes) {
    Run(L"for i = 1 to 300 do Box()");
    EXPECT_TRUE(Node(L"Box300"));
    EXPECT_FALSE(Node(L"Box301"));
    EXPECT_EQ(Eval(L"objects.count"), L"300");
    // A fresh scene counts from one again.
    ResetSceneContent();
    EXPECT_EQ(Eval(L"(Box()).name"), L"\"Box001\"");
}

TEST_F(ScriptScene, GetDirAnswersTheHostsFolders) {
    std::wstring root = GetCOREInterface()->GetDir(APP_MAXROOT_DIR).str();
    EXPECT_EQ(Eval(L"getDir #maxroot"), L"\"" + root + L"\"");
    EXPECT_EQ(Eval(L"getDir #plugcfg"), L"\"" + root + L"/plugcfg\"");
    EXPECT_EQ(Eval(L"getDir #temp"), L"\"" + GetCOREInterface()->GetDir(APP_TEMP_DIR).str() + L"\"");
    EXPECT_EQ(Error(L"getDir #nowhere"), L"t.ms:1:1: Runtime error: getDir: unknown folder #nowhere");
}

TEST_F(ScriptScene, ModifierValuesOutliveTheirModifier) {
    Run(L"b = Box(); m = Bend(); addModifier b m; deleteModifier b 1");
    theHold.ClearUndoBuffer(); // nothing keeps the modifier now
    EXPECT_EQ(Eval(L"m"), L"<Deleted scene object>");
    EXPECT_EQ(Error(L"m.angle"), L"t.ms:1:3: Runtime error: Attempt to access deleted scene object");
}

// A module may register classes at any time: the next script run sees them.
TEST_F(ScriptScene, AClassRegisteredAfterStartUpConstructsInTheNextScript) {
    ObjectClassDef def;
    def.superClass = OSM_CLASS_ID;
    def.classId = Class_ID(0x51CE0001, 0x51CE0002);
    def.className = L"Late Warp";
    def.params = {MakeFloatParam(0, L"strength", 3.0f, TYPE_FLOAT)};
    EXPECT_EQ(Error(L"Late_Warp()"), L"t.ms:1:1: Type error: Call needs function or class, got: undefined");
    RegisterGenericObjectClass(def);
    EXPECT_EQ(Eval(L"(Late_Warp strength:4).strength"), L"4.0");
    EXPECT_EQ(Eval(L"superClassOf Late_Warp"), L"modifier");
}
