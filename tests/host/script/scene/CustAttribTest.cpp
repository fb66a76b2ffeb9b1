// Scripted custom attributes: definitions, custAttributes.add/get/count/delete and parameter access.
#include "host/scene/CustAttrib.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "tests/host/script/scene/ScriptSceneFixture.h"

namespace {
const wchar_t* kDef = L"def = attributes ScriptGameData (\n"
                      L"  parameters main (\n"
                      L"    hitPoints type:#integer default:100\n"
                      L"    speed type:#float default:2.5 animatable:true\n"
                      L"    label type:#string default:\"grunt\"\n"
                      L"  )\n"
                      L")\n";
} // namespace

TEST_F(ScriptScene, AddedAttributesLandOnTheBaseObjectWithTheirDefaults) {
    Run(kDef);
    Run(L"b = Box name:\"B\"; custAttributes.add b def");
    Object* base = Node(L"B")->GetObjectRef()->FindBaseObject();
    ASSERT_TRUE(base->GetCustAttribContainer());
    EXPECT_EQ(base->GetCustAttribContainer()->GetNumCustAttribs(), 1);
    EXPECT_EQ(Eval(L"custAttributes.count b"), L"1");
    EXPECT_EQ(Eval(L"b.baseObject.ScriptGameData.hitPoints"), L"100");
    EXPECT_EQ(Eval(L"b.speed"), L"2.5");
    EXPECT_EQ(Eval(L"b.label"), L"\"grunt\"");
}

TEST_F(ScriptScene, AttributeParametersAreWritable) {
    Run(kDef);
    Run(L"b = Box name:\"B\"; custAttributes.add b def; ca = custAttributes.get b 1");
    Run(L"ca.hitPoints = 7; b.label = \"boss\"");
    EXPECT_EQ(Eval(L"b.hitPoints"), L"7");
    EXPECT_EQ(Eval(L"ca.label"), L"\"boss\"");
    EXPECT_EQ(Error(L"ca.hitPoints = \"lots\""), L"t.ms:1:4: Unable to convert: \"lots\" to type: Integer");
}

TEST_F(ScriptScene, UniqueAddGetByDefinitionAndDelete) {
    Run(kDef);
    Run(L"b = Box name:\"B\"; custAttributes.add b def");
    EXPECT_EQ(Eval(L"custAttributes.add b def #unique"), L"false");
    EXPECT_EQ(Eval(L"custAttributes.count b"), L"1");
    EXPECT_EQ(Eval(L"custAttributes.get b def == custAttributes.get b 1"), L"true");
    Run(L"custAttributes.delete b 1");
    EXPECT_EQ(Eval(L"custAttributes.count b"), L"0");
    EXPECT_EQ(Error(L"custAttributes.delete b 1"),
              L"t.ms:1:16: Runtime error: custAttributes.delete: no attribute 1 on $Box:B @ [0.000000,0.000000,0.000000]");
}

TEST_F(ScriptScene, AttributesOnTheNodeItselfWithBaseObjectFalse) {
    Run(kDef);
    Run(L"b = Box name:\"B\"; custAttributes.add b def baseObject:false");
    ASSERT_TRUE(Node(L"B")->GetCustAttribContainer());
    EXPECT_EQ(Eval(L"custAttributes.count b baseObject:false"), L"1");
    EXPECT_EQ(Eval(L"custAttributes.count b"), L"0");
    EXPECT_EQ(Eval(L"b.hitPoints"), L"100");
}

TEST_F(ScriptScene, UnknownParameterTypeIsReportedWithTheParameter) {
    EXPECT_EQ(Error(L"d = attributes Bad (parameters p (x type:#wobble))\ncustAttributes.add (Box()) d"),
              L"t.ms:2:16: Runtime error: parameter x: unknown type #wobble");
}
