// The CAT rig mirror where a script cannot look: the refusal a bone-structure edit meets, its dump, the
// order of the kind's chunks, and a damaged chunk refused by name.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/cat/CATParentControl.h"
#include "plugin/anims/MirrorKindSelection.h"
#include "plugin/anims/RefAnimRigKinds.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/ChunkIds.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class RefAnimCATTest : public PluginSceneFixture {
protected:
    void SetUp() override {
        PluginSceneFixture::SetUp();
        SetCurrentOperation(OperationCode::None);
        parent = CreateCATRig(L"Rig")->GetTMController();
        rig = GetCATParentInterface(parent);
        m = static_cast<RefAnimCAT*>(CreateMirror(KIND_CAT));
        m->SetAnim(parent);
    }
    void TearDown() override {
        m->MaybeAutoDelete();
        PluginSceneFixture::TearDown();
    }
    Control* parent = nullptr;
    ICATParent* rig = nullptr;
    RefAnimCAT* m = nullptr;
};

TEST_F(RefAnimCATTest, ABoneAddedOrDeletedOnTheMirroredRigIsRefusedOnce) {
    Interface* ip = GetCOREInterface();
    ip->Services().ClearRecord();
    rig->AddBone(0);
    ip->RedrawViews(0);
    ip->DeleteNode(rig->GetBone(2, 1));
    ip->RedrawViews(0);
    std::string got = std::to_string(rig->NumBones(0)) + " " + std::to_string(rig->NumBones(2)) + " |";
    for (const HostServices::ShownMessage& shown : ip->Services().Shown())
        got += " " + shown.title.ToUTF8() + ": " + shown.text.ToUTF8() + " " + std::to_string(shown.style);
    // The added bone was its own undo step and is gone again; the plain deletion could not be undone.
    EXPECT_EQ(got, "2 1 | Error: The bone structure of a referenced CAT rig can't be modified. 48 "
                   "Error: The bone structure of a referenced CAT rig can't be modified. 48");
}

TEST_F(RefAnimCATTest, TheKindsChunksComeInTheirOrderAndADamagedOneIsRefusedByName) {
    CATRigSettings s = rig->GetSettings();
    s.catUnits = 2.0f;
    rig->SetSettings(s);
    rig->AppendLayer(L"Walk");
    EXPECT_EQ(m->GetChanged(), unsigned(RefAnimCAT::kCATUnits | RefAnimCAT::kLayers));
    EXPECT_NE(m->Describe().str().find(L"\nChanged: CATUnits, layers, "), std::wstring::npos) << m->Describe().ToUTF8();
    ChunkSave out;
    ASSERT_EQ(m->Save(&out), IO_OK);
    ASSERT_EQ(out.Commit(), IO_OK);
    std::vector<std::uint8_t> bytes = out.Bytes();
    EXPECT_EQ(TopLevelChunkIds(bytes), (std::vector<int>{0x29, 0x36, 0x2B, 0x2C, 0x35, 0x2D, 0x2E}));
    // The footprint chunk (0x2E) holds a 4-byte count of 0: make it announce one transform.
    const std::vector<std::uint8_t> empty = {0x2E, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    const auto at = std::search(bytes.begin(), bytes.end(), empty.begin(), empty.end());
    ASSERT_NE(at, bytes.end());
    at[6] = 1;
    auto* loaded = static_cast<RefAnimCAT*>(CreateMirror(KIND_CAT));
    ChunkLoad in(bytes);
    EXPECT_EQ(loaded->Load(&in), IO_ERROR);
    EXPECT_NE(in.GetLastError().str().find(L"chunk 0x002E: count 1 "), std::wstring::npos) << in.GetLastError().ToUTF8();
    // What came before the damaged chunk is read.
    EXPECT_EQ(loaded->GetSettings().catUnits, 2.0f);
    loaded->MaybeAutoDelete();
}

} // namespace
