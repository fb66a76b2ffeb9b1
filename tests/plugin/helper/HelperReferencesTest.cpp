// The helper's references: index bounds, which records are real dependencies during which operations,
// cloning with and without the duplicate operation, and the file names as assets (the material library
// held during a merge is the merge tests').
#include "host/core/RemapDir.h"
#include "host/core/AssetEnumCallback.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/helper/HelperTestSupport.h"

namespace {

// A record that can be cloned, as the records will be.
class CloneableRefNode : public RefNode {
public:
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* copy = new CloneableRefNode();
        BaseClone(this, copy, remap);
        return copy;
    }
};

// A record whose one mirror carries a change (or not).
template <class Record> Record* NewRecord(bool overridden) {
    auto* rec = new Record();
    auto* mirror = new RefAnim();
    mirror->SetOverriddenState(overridden ? REFANIM_MODIFIED : 0);
    rec->ReplaceReference(rec->AppendMirrorSlot(), mirror);
    return rec;
}

class HelperReferencesTest : public HelperFixture {};

TEST_F(HelperReferencesTest, ReferencesOutsideTheTableAreNullAndCannotBeSet) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    h->AppendRefNode(NewRecord<RefNode>(false));
    ASSERT_EQ(h->NumRefs(), 3);
    Mtl* m = b.Standard("M");
    for (int i : {-1, 3, 4}) {
        EXPECT_EQ(h->GetReference(i), nullptr) << i;
        EXPECT_EQ(h->ReplaceReference(i, m), REF_FAIL) << i;
    }
    EXPECT_EQ(h->NumRefs(), 3);
    m->MaybeAutoDelete(); // refused everywhere, so nothing holds it
}

// A record put out of its slot (replaced or dropped) no longer names the helper; the one put in does.
TEST_F(HelperReferencesTest, ARecordTakenOutOfItsSlotForgetsTheHelper) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    RefNode* node = NewRecord<RefNode>(false);
    RefMaterial* material = NewRecord<RefMaterial>(false);
    h->AppendRefNode(node);
    h->AppendRefMaterial(material);
    struct Row {
        RefBase* displaced;
        RefBase* taker;
        int ref;
    };
    const Row rows[] = {{node, NewRecord<RefNode>(false), OstrivansHelper::kFirstRecordRef},
                        {material, NewRecord<RefMaterial>(false), OstrivansHelper::kFirstRecordRef + 1},
                        {nullptr, nullptr, OstrivansHelper::kFirstRecordRef}};
    for (const Row& r : rows) {
        RefBase* out = r.displaced ? r.displaced : static_cast<RefBase*>(h->GetReference(r.ref));
        ASSERT_EQ(out->GetHelper(), h);
        out->SetAFlag(A_LOCK_TARGET);
        if (r.taker)
            h->ReplaceReference(r.ref, r.taker);
        else
            h->DeleteReference(r.ref);
        EXPECT_EQ(out->GetHelper(), nullptr) << r.ref;
        if (r.taker) {
            EXPECT_EQ(r.taker->GetHelper(), h) << r.ref;
        }
        out->ClearAFlag(A_LOCK_TARGET);
        out->MaybeAutoDelete();
    }
}

// A record without overrides is weak while unloading, saving or duplicating, unless the reference persists.
TEST_F(HelperReferencesTest, RecordsWithoutOverridesAreWeakWhileUnloadingSavingOrDuplicating) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    RefNode* overridden = NewRecord<RefNode>(true);
    RefMaterial* plain = NewRecord<RefMaterial>(false);
    h->AppendRefNode(overridden);
    h->AppendRefMaterial(plain);
    ExpectWeakOnlyWhileUnloadingSavingOrDuplicating(h, {plain, overridden, h->GetParamBlock(), nullptr}, "0111",
                                                    [&] { h->GetParamBlock()->SetValue(pb_persist_ref, 0, 1); });
}

// A plain clone copies the parameters only; the duplicate operation copies the records that carry
// overrides (owned by the copy), the nodes to delete, and unselects the copy in the manager.
TEST_F(HelperReferencesTest, CloningCopiesTheRecordsOnlyForTheDuplicateOperation) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    h->GetParamBlock()->SetValue(pb_persist_ref, 0, 1);
    h->AppendRefNode(NewRecord<CloneableRefNode>(false));
    RefNode* kept = NewRecord<CloneableRefNode>(true);
    h->AppendRefNode(kept);
    h->AppendRefMaterial(NewRecord<RefMaterial>(false));
    h->AddNodeToDelete(L"Gone01");
    auto tables = [](OstrivansHelper* x) {
        std::string s = "nodes";
        for (int i = 0; i < x->NumRefNodes(); ++i)
            s += !x->GetRefNode(i) ? " -" : x->GetRefNode(i)->GetHelper() == x ? " own" : " other";
        s += ", materials";
        for (int i = 0; i < x->NumRefMaterials(); ++i) s += x->GetRefMaterial(i) ? " +" : " -";
        s += ", delete";
        for (const WStr& n : x->GetNodesToDelete()) s += " " + n.ToUTF8();
        return s + ", selected " + std::to_string(x->GetParamBlock()->GetInt(pb_selected_in_manager));
    };
    RemapDir plainRemap;
    auto* plainCopy = static_cast<OstrivansHelper*>(h->Clone(plainRemap));
    EXPECT_EQ(plainCopy->DumpParams(), h->DumpParams());
    EXPECT_NE(plainCopy->GetParamBlock(), h->GetParamBlock());
    EXPECT_EQ(plainRemap.FindMapping(h), plainCopy);
    EXPECT_EQ(tables(plainCopy), "nodes, materials, delete, selected 1");

    RemapDir dupRemap;
    OstrivansHelper* dup = nullptr;
    {
        OperationCodeGuard op(OperationCode::Duplicate);
        dup = static_cast<OstrivansHelper*>(h->Clone(dupRemap));
    }
    EXPECT_EQ(tables(dup), "nodes - own, materials -, delete Gone01, selected 0");
    EXPECT_EQ(tables(h), "nodes own own, materials +, delete Gone01, selected 1");
    EXPECT_NE(dup->GetRefNode(1), kept);
    EXPECT_EQ(dupRemap.FindMapping(kept), dup->GetRefNode(1));
    plainCopy->DeleteThis();
    dup->DeleteThis();
}

class AssetRecorder : public IEnumAuxAssetsCallback {
public:
    void RecordAsset(const MaxSDK::AssetManagement::AssetUser& a) override {
        text += a.GetFileName().ToUTF8() + " (" + std::to_string(a.GetType()) + ") ";
    }
    void DeclareAsset(IAssetAccessor& accessor) override {
        RecordAsset(accessor.GetAsset());
        if (relinkTo)
            accessor.SetAsset(MaxSDK::AssetManagement::AssetUser(relinkTo, accessor.GetAssetType()));
    }
    std::string text;
    const MCHAR* relinkTo = nullptr;
};

TEST_F(HelperReferencesTest, BothFileNamesAreReportedAsAssets) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    {
        AccessorDisabler off(h);
        h->GetParamBlock()->SetValue(pb_filename, 0, L"/refs/main.max");
    }
    // The scene's enumeration reaches the helper through its node; an instance on a second node does
    // not report the files again, and the next enumeration reports them afresh.
    GetCOREInterface()->CreateObjectNode(h);
    for (int pass = 0; pass < 2; ++pass) {
        AssetRecorder records;
        GetCOREInterface()->EnumAuxFiles(records, 0);
        EXPECT_EQ(records.text, "/refs/main.max (7) ") << pass; // an empty name is no asset
    }
    AssetRecorder accessors;
    accessors.relinkTo = L"/moved/file.max";
    h->EnumAuxFiles(accessors, FILE_ENUM_ACCESSOR_INTERFACE);
    EXPECT_EQ(accessors.text, "/refs/main.max (7)  (7) ");
    // Relinking through an accessor sets the parameter (and so reloads).
    EXPECT_EQ(MSTR(h->GetParamBlock()->GetStr(pb_filename)), MSTR(L"/moved/file.max"));
    EXPECT_EQ(MSTR(h->GetParamBlock()->GetStr(pb_proxy_filename)), MSTR(L"/moved/file.max"));
    EXPECT_EQ(Lines(), "");
}

} // namespace
