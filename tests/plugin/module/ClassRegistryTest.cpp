// The module's class registry as the host reads it: count, order, identity, names and creation of all 53
// classes, through the exports and through the host's class directory.
#include "plugin/module/ClassRegistry.h"
#include "host/core/ClassDirectory.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "plugin/anims/RefAnim.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <utility>

namespace {

class ClassRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { AttachPluginForTests(); }
};

// The registry as saved scenes rely on it, in LibClassDesc order: index, name, super class and class id.
TEST_F(ClassRegistryTest, EveryRowHasItsNameSuperClassAndClassId) {
    std::string dump;
    for (int i = 0; i < 53; ++i) {
        ClassDesc* cd = OstrivansLibClassDesc(i);
        char line[128];
        std::snprintf(line, sizeof line, "%2d %-20s 0x%08x 0x%08x 0x%08x\n", i, WStr(cd->ClassName()).ToUTF8().c_str(),
                      static_cast<unsigned>(cd->SuperClassID()), static_cast<unsigned>(cd->ClassID().PartA()),
                      static_cast<unsigned>(cd->ClassID().PartB()));
        dump += line;
    }
    ExpectGolden(dump, "tests/plugin/module/class_registry.txt");
}

// The invariants of every row: the host's queries answered alike, one class per id within a super class
// (a mirror class's second id part zero), the descriptor found in the class directory by its identity, and
// the class made with and without the loading flag. Mirrors report their class number as their kind,
// except three that answer by state (a LocDep mirror, a block-2 mirror by its mode, a particle source by
// its variant), and start with nothing recorded.
TEST_F(ClassRegistryTest, EveryDescriptorAnswersAlikeAndMakesItsClass) {
    std::set<std::pair<SClass_ID, Class_ID>> seen;
    std::map<std::wstring, ULONG> kinds;
    // Mirrors with a second reference: the block's owner, the holder of a modifier, or the viewport map
    // (materials), the kept sub-materials (Multi/Sub-Object), the linked node (link controllers), the
    // weights (list controllers), the driver (reactions), the key controller (Biped parts) or the event a
    // particle test leads to; the transform
    // controller's mirror holds its three slots, the Biped's its master and five parts' key controllers.
    const std::set<std::wstring> twoRefs = {L"RefAnimPblock2",     L"RefAnimPointMod", L"RefAnimMod",
                                            L"RefAnimWithRefsMod", L"RefAnimSkin",     L"RefAnimLinkedXForm",
                                            L"RefAnimCloth",       L"RefAnimMtl",      L"RefAnimMultiSubMtl",
                                            L"RefAnimLinkCtrl",    L"RefAnimListCtrl", L"RefAnimMorpher",
                                            L"RefAnimReaction",    L"RefAnimBipCtrl",  L"RefAnimPFTest"};
    const auto refs = [&](const std::wstring& name) {
        return name == L"RefAnimBip"            ? "7"
               : name == L"RefAnimCAT"          ? "9"
               : name == L"RefAnimBevelProfile" ? "5"
               : name == L"RefAnimPRS"          ? "4"
               : twoRefs.count(name)            ? "2"
                                                : "1";
    };
    for (int i = 0; i < 53; ++i) {
        ClassDesc* cd = OstrivansLibClassDesc(i);
        const std::wstring name = cd->ClassName();
        // Only the helper owns a parameter block descriptor; the registry is fixed.
        const bool alike = name == cd->NonLocalizedClassName() && !cd->InternalName() &&
                           cd->HInstance() == TestModuleHandle() && cd == GetRegisteredClassDesc(i);
        EXPECT_EQ(std::to_string(alike) + " " + WStr(cd->Category()).ToUTF8() + " public " + std::to_string(cd->IsPublic()) +
                      " params " + std::to_string(cd->HasClassParams()) + " create " + std::to_string(cd->BeginCreate(nullptr)) +
                      std::to_string(cd->EndCreate(nullptr)) + " blocks " + std::to_string(cd->NumParamBlockDescs()),
                  std::string("1 Ostrivans public 0 params 0 create 00 blocks ") + (i == kRegistryHelper ? "1" : "0"))
            << i;
        const Class_ID cid = cd->ClassID();
        EXPECT_TRUE(seen.insert({cd->SuperClassID(), cid}).second) << i;
        ASSERT_EQ(GetClassDirectory().FindClass(cd->SuperClassID(), cid), cd) << i;
        for (bool loading : {false, true}) {
            void* raw = GetClassDirectory().CreateInstance(cd->SuperClassID(), cid, loading);
            auto* made = dynamic_cast<ReferenceTarget*>(static_cast<Animatable*>(raw));
            ASSERT_NE(made, nullptr) << i;
            EXPECT_TRUE(made->ClassID() == cid && made->SuperClassID() == cd->SuperClassID()) << i;
            if (auto* mirror = dynamic_cast<RefAnim*>(made)) {
                MSTR cls;
                mirror->GetClassName(cls);
                EXPECT_EQ(WStr(mirror->GetKindName()).ToUTF8() + " " + cls.ToUTF8() + " B " + std::to_string(cid.PartB()) + " refs " +
                              std::to_string(mirror->NumRefs()) + " state " + std::to_string(mirror->GetOverriddenState()) +
                              " op " + std::to_string(mirror->GetLastOperation()) + " flag " + std::to_string(mirror->GetKindFlag()),
                          WStr(name.c_str()).ToUTF8() + " " + WStr(name.c_str()).ToUTF8() + " B 0 refs " + refs(name) +
                              " state 0 op -1 flag " + (name == L"RefAnimLayerCtrl" ? "1" : "0"));
                kinds[name] = mirror->GetKindID();
                if (name != L"RefAnimLocDep" && name != L"RefAnimPblock2" && name != L"RefAnimPFSource") {
                    EXPECT_EQ(mirror->GetKindID(), cid.PartA()) << i;
                }
            }
            made->DeleteThis();
        }
    }
    EXPECT_EQ(kinds.size(), 45u);
    EXPECT_EQ(kinds[L"RefAnimLocDep"], 0x3000Cu);
    EXPECT_EQ(kinds[L"RefAnim"], 0x10001u);
    EXPECT_EQ(kinds[L"RefAnimPblock2"], 0x230004u);
    EXPECT_EQ(kinds[L"RefAnimPFSource"], 0x30016u);
}

} // namespace
