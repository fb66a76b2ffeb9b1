// The module's class registry as the host reads it: count, order, identity, names and creation of all 53
// classes, through the exports and through the host's class directory.
#include "plugin/module/ClassRegistry.h"
#include "host/core/ClassDirectory.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "host/scene/IParamBlock2.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/helper/OstrivansHelper.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <set>
#include <utility>

namespace {

struct Row {
    const wchar_t* name;
    SClass_ID superClass;
    ULONG partA;
    ULONG partB;
};

// The registry as saved scenes rely on it, in LibClassDesc order.
// clang-format off
const Row kExpected[] = {
    {L"OstrivansHelper", 0x50, 0x8663dfa5, 0x3f273879}, // 0
    {L"RefBase", 0x8663dfa6, 0x8663dfa6, 0x3f273883}, // 1
    {L"RefNode", 0x8663dfa6, 0x8663dfa6, 0x3f273884}, // 2
    {L"RefMaterial", 0x8663dfa6, 0x8663dfa6, 0x3f273885}, // 3
    {L"EmptyBaseObject", 0x10, 0x8663dfa5, 0x3f273888}, // 4
    {L"EmptyController", 0x9008, 0x8663dfa5, 0x3f273889}, // 5
    {L"RefHolder", 0x10, 0x8663dfa5, 0x3f273890}, // 6
    {L"RefAnim", 0x8663dfa8, 0x00010001, 0}, // 7
    {L"RefAnimPblock", 0x8663dfa8, 0x00030003, 0}, // 8
    {L"RefAnimPblock2", 0x8663dfa8, 0x00030004, 0}, // 9
    {L"RefAnimIndepRefs", 0x8663dfa8, 0x00030006, 0}, // 10
    {L"RefAnimCA", 0x8663dfa8, 0x00030007, 0}, // 11
    {L"RefAnimListCtrl", 0x8663dfa8, 0x00030008, 0}, // 12
    {L"RefAnimWithRefs", 0x8663dfa8, 0x00030009, 0}, // 13
    {L"RefAnimLocDep", 0x8663dfa8, 0x0000000c, 0}, // 14
    {L"RefAnimLinkCtrl", 0x8663dfa8, 0x0003000d, 0}, // 15
    {L"RefAnimBip", 0x8663dfa8, 0x0001000e, 0}, // 16
    {L"RefAnimPointObj", 0x8663dfa8, 0x00090010, 0}, // 17
    {L"RefAnimStdLight", 0x8663dfa8, 0x000b0011, 0}, // 18
    {L"RefAnimPointMod", 0x8663dfa8, 0x00010012, 0}, // 19
    {L"RefAnimMod", 0x8663dfa8, 0x00030014, 0}, // 20
    {L"RefAnimWithRefsMod", 0x8663dfa8, 0x00030015, 0}, // 21
    {L"RefAnimPFSource", 0x8663dfa8, 0x00030016, 0}, // 22
    {L"RefAnimSkin", 0x8663dfa8, 0x00030018, 0}, // 23
    {L"RefAnimMtl", 0x8663dfa8, 0x0003001a, 0}, // 24
    {L"RefAnimTexmap", 0x8663dfa8, 0x0003001b, 0}, // 25
    {L"RefAnimText", 0x8663dfa8, 0x0003001c, 0}, // 26
    {L"RefAnimLinkedXForm", 0x8663dfa8, 0x0003001d, 0}, // 27
    {L"RefAnimCloth", 0x8663dfa8, 0x0003001e, 0}, // 28
    {L"RefAnimConstraint", 0x8663dfa8, 0x0003001f, 0}, // 29
    {L"RefAnimMultiSubMtl", 0x8663dfa8, 0x00030020, 0}, // 30
    {L"RefAnimReaction", 0x8663dfa8, 0x00030024, 0}, // 31
    {L"RefAnimMorpher", 0x8663dfa8, 0x00030019, 0}, // 32
    {L"RefAnimBevelProfile", 0x8663dfa8, 0x00030025, 0}, // 33
    {L"RefAnimEuler", 0x8663dfa8, 0x00030026, 0}, // 34
    {L"RefAnimPRS", 0x8663dfa8, 0x00030027, 0}, // 35
    {L"RefAnimRWMS", 0x8663dfa8, 0x00030028, 0}, // 36
    {L"RefAnimCAT", 0x8663dfa8, 0x0003002b, 0}, // 37
    {L"RefAnimCam", 0x8663dfa8, 0x000b002c, 0}, // 38
    {L"RefAnimBoolean", 0x8663dfa8, 0x0003002d, 0}, // 39
    {L"RefAnimTextPlus", 0x8663dfa8, 0x0003002e, 0}, // 40
    {L"RefAnimDerivObj", 0x8663dfa8, 0x000b002f, 0}, // 41
    {L"RefAnimLayerCtrl", 0x8663dfa8, 0x000b0030, 0}, // 42
    {L"RefAnimXRef", 0x8663dfa8, 0x00030031, 0}, // 43
    {L"RefAnimContainer", 0x8663dfa8, 0x00090032, 0}, // 44
    {L"RefAnimCATCtrl", 0x8663dfa8, 0x000b0033, 0}, // 45
    {L"RefAnimDataChannel", 0x8663dfa8, 0x000b0035, 0}, // 46
    {L"RefAnimPFTest", 0x8663dfa8, 0x00230037, 0}, // 47
    {L"EmptyShape", 0x40, 0x8663dfa5, 0x3f273891}, // 48
    {L"RefAnimRailClone", 0x8663dfa8, 0x00030038, 0}, // 49
    {L"RefAnimBipCtrl", 0x8663dfa8, 0x00030039, 0}, // 50
    {L"RefAnimForest", 0x8663dfa8, 0x0003003a, 0}, // 51
    {L"RefAnimLinkTM", 0x8663dfa8, 0x0003003b, 0}, // 52
};
// clang-format on
static_assert(sizeof(kExpected) / sizeof(kExpected[0]) == 53);

class ClassRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { AttachPluginForTests(); }
};

TEST_F(ClassRegistryTest, FiftyThreeDescriptorsAndNullOutsideTheRange) {
    EXPECT_EQ(OstrivansLibNumberClasses(), 53);
    for (int i = 0; i < 53; ++i)
        EXPECT_NE(OstrivansLibClassDesc(i), nullptr) << i;
    EXPECT_EQ(OstrivansLibClassDesc(53), nullptr);
    EXPECT_EQ(OstrivansLibClassDesc(-1), nullptr);
    EXPECT_EQ(OstrivansLibClassDesc(INT_MIN), nullptr);
    EXPECT_EQ(OstrivansLibClassDesc(INT_MAX), nullptr);
}

TEST_F(ClassRegistryTest, EveryRowHasItsNameSuperClassAndClassId) {
    for (int i = 0; i < 53; ++i) {
        ClassDesc* cd = OstrivansLibClassDesc(i);
        const Row& row = kExpected[i];
        EXPECT_STREQ(cd->ClassName(), row.name) << i;
        EXPECT_EQ(cd->SuperClassID(), row.superClass) << i;
        EXPECT_EQ(cd->ClassID(), Class_ID(row.partA, row.partB)) << i << " " << WStr(row.name).ToUTF8();
    }
}

TEST_F(ClassRegistryTest, DescriptorsAnswerTheHostsQueriesAlike) {
    for (int i = 0; i < 53; ++i) {
        ClassDesc* cd = OstrivansLibClassDesc(i);
        // Equal texts, also for the scene-reference mirror.
        EXPECT_STREQ(cd->ClassName(), cd->NonLocalizedClassName()) << i;
        EXPECT_STREQ(cd->Category(), L"Ostrivans") << i;
        EXPECT_FALSE(cd->IsPublic()) << i;
        EXPECT_FALSE(cd->HasClassParams()) << i;
        EXPECT_EQ(cd->InternalName(), nullptr) << i;
        EXPECT_EQ(cd->BeginCreate(nullptr), 0) << i;
        EXPECT_EQ(cd->EndCreate(nullptr), 0) << i;
        EXPECT_EQ(cd->HInstance(), TestModuleHandle()) << i;
        // Only the helper owns a parameter block descriptor.
        EXPECT_EQ(cd->NumParamBlockDescs(), i == kRegistryHelper ? 1 : 0) << i;
    }
    EXPECT_STREQ(OstrivansLibClassDesc(43)->NonLocalizedClassName(), L"RefAnimXRef");
}

TEST_F(ClassRegistryTest, NoTwoClassesShareAnIdWithinASuperClass) {
    std::set<std::pair<SClass_ID, Class_ID>> seen;
    for (int i = 0; i < 53; ++i) {
        ClassDesc* cd = OstrivansLibClassDesc(i);
        EXPECT_TRUE(seen.insert({cd->SuperClassID(), cd->ClassID()}).second) << i;
        if (cd->SuperClassID() == REFANIM_SUPER_CLASS_ID) {
            EXPECT_EQ(cd->ClassID().PartB(), 0u) << i;
        }
    }
    // The registry is fixed: asking again gives the very same descriptors.
    for (int i = 0; i < 53; ++i)
        EXPECT_EQ(OstrivansLibClassDesc(i), GetRegisteredClassDesc(i));
}

// Every class is found by the host through its identity and made with and without the loading flag.
TEST_F(ClassRegistryTest, TheClassDirectoryCreatesEveryClass) {
    for (int i = 0; i < 53; ++i) {
        const Row& row = kExpected[i];
        const Class_ID cid(row.partA, row.partB);
        ASSERT_EQ(GetClassDirectory().FindClass(row.superClass, cid), OstrivansLibClassDesc(i)) << i;
        for (bool loading : {false, true}) {
            void* raw = GetClassDirectory().CreateInstance(row.superClass, cid, loading);
            auto* made = dynamic_cast<ReferenceTarget*>(static_cast<Animatable*>(raw));
            ASSERT_NE(made, nullptr) << i;
            EXPECT_EQ(made->ClassID(), cid) << i;
            EXPECT_EQ(made->SuperClassID(), row.superClass) << i;
            if (auto* mirror = dynamic_cast<RefAnim*>(made)) {
                EXPECT_STREQ(mirror->GetKindName(), row.name) << i;
                EXPECT_EQ(mirror->NumRefs(), 1) << i;
            }
            made->DeleteThis();
        }
    }
}

// Three kinds answer by state instead: a LocDep mirror, a block-2 mirror by its mode, a particle source by
// its variant.
TEST_F(ClassRegistryTest, KindsReportTheirClassNumberExceptTheStatefulOnes) {
    std::map<std::wstring, ULONG> kinds;
    for (int i = 0; i < 53; ++i) {
        ClassDesc* cd = OstrivansLibClassDesc(i);
        if (cd->SuperClassID() != REFANIM_SUPER_CLASS_ID) continue;
        auto* mirror = static_cast<RefAnim*>(static_cast<Animatable*>(cd->Create(TRUE)));
        kinds[cd->ClassName()] = mirror->GetKindID();
        const std::wstring name = cd->ClassName();
        if (name != L"RefAnimLocDep" && name != L"RefAnimPblock2" && name != L"RefAnimPFSource") {
            EXPECT_EQ(mirror->GetKindID(), cd->ClassID().PartA()) << i;
        }
        // A new mirror starts with nothing recorded.
        EXPECT_EQ(mirror->GetOverriddenState(), 0) << i;
        EXPECT_EQ(mirror->GetLastOperation(), -1) << i;
        EXPECT_FALSE(mirror->GetKindFlag()) << i;
        mirror->DeleteThis();
    }
    EXPECT_EQ(kinds.size(), 45u);
    EXPECT_EQ(kinds[L"RefAnimLocDep"], 0x3000Cu);
    EXPECT_EQ(kinds[L"RefAnim"], 0x10001u);
    EXPECT_EQ(kinds[L"RefAnimPblock2"], 0x230004u);
    EXPECT_EQ(kinds[L"RefAnimPFSource"], 0x30016u);
}

TEST_F(ClassRegistryTest, OnlyAFreshHelperGetsItsParameterBlock) {
    auto* fresh =
        static_cast<OstrivansHelper*>(static_cast<Animatable*>(OstrivansLibClassDesc(0)->Create(FALSE)));
    auto* loading =
        static_cast<OstrivansHelper*>(static_cast<Animatable*>(OstrivansLibClassDesc(0)->Create(TRUE)));
    ASSERT_NE(fresh->GetParamBlock(), nullptr);
    EXPECT_EQ(fresh->GetReference(OstrivansHelper::kParamBlockRef), fresh->GetParamBlock());
    EXPECT_EQ(fresh->GetParamBlock()->GetDesc(), &GetOstrivansHelperClassDesc().ParamDesc());
    EXPECT_EQ(loading->GetParamBlock(), nullptr);
    fresh->DeleteThis();
    loading->DeleteThis();
}

} // namespace
