// The helper's references: index bounds, which records are real dependencies during which operations,
// cloning with and without the duplicate operation, the held material library, and the file names as
// assets.
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

struct DependencyRow {
    bool persistRef;
    OperationCode operation;
    const char* target; // "none", "overridden", "plain" record, or "other"
    BOOL real;
};

TEST_F(HelperReferencesTest, RecordsWithoutOverridesAreWeakWhileUnloadingSavingOrDuplicating) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    RefNode* overridden = NewRecord<RefNode>(true);
    RefMaterial* plain = NewRecord<RefMaterial>(false);
    h->AppendRefNode(overridden);
    h->AppendRefMaterial(plain);
    const DependencyRow rows[] = {
        {false, OperationCode::None, "plain", TRUE},
        {false, OperationCode::Load, "plain", TRUE},
        {false, OperationCode::Unload, "plain", FALSE},
        {false, OperationCode::PreSave, "plain", FALSE},
        {false, OperationCode::PreSaveCollect, "plain", FALSE},
        {false, OperationCode::Duplicate, "plain", FALSE},
        {false, OperationCode::PostSave, "plain", TRUE},
        {false, OperationCode::Unload, "overridden", TRUE},
        {false, OperationCode::Unload, "other", TRUE},
        {false, OperationCode::Unload, "none", TRUE},
        {true, OperationCode::Unload, "plain", TRUE},
        {true, OperationCode::Duplicate, "plain", TRUE},
    };
    for (const DependencyRow& r : rows) {
        h->GetParamBlock()->SetValue(pb_persist_ref, 0, r.persistRef ? 1 : 0);
        const std::string t = r.target;
        ReferenceTarget* target = t == "overridden" ? static_cast<ReferenceTarget*>(overridden)
                                  : t == "plain"    ? static_cast<ReferenceTarget*>(plain)
                                  : t == "other"    ? static_cast<ReferenceTarget*>(h->GetParamBlock())
                                                    : nullptr;
        OperationCodeGuard op(r.operation);
        EXPECT_EQ(h->IsRealDependency(target), r.real) << r.persistRef << " " << r.operation << " " << t;
    }
}

TEST_F(HelperReferencesTest, CloningCopiesTheRecordsOnlyForTheDuplicateOperation) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    h->GetParamBlock()->SetValue(pb_persist_ref, 0, 1);
    h->AppendRefNode(NewRecord<CloneableRefNode>(false));
    RefNode* kept = NewRecord<CloneableRefNode>(true);
    h->AppendRefNode(kept);
    h->AppendRefMaterial(NewRecord<RefMaterial>(false));
    h->AddNodeToDelete(L"Gone01");

    RemapDir plainRemap;
    auto* plainCopy = static_cast<OstrivansHelper*>(h->Clone(plainRemap));
    EXPECT_EQ(plainCopy->DumpParams(), h->DumpParams());
    EXPECT_NE(plainCopy->GetParamBlock(), h->GetParamBlock());
    EXPECT_EQ(plainCopy->NumRefNodes(), 0);
    EXPECT_EQ(plainCopy->NumRefMaterials(), 0);
    EXPECT_TRUE(plainCopy->GetNodesToDelete().empty());
    EXPECT_EQ(plainRemap.FindMapping(h), plainCopy);

    RemapDir dupRemap;
    OstrivansHelper* dup = nullptr;
    {
        OperationCodeGuard op(OperationCode::Duplicate);
        dup = static_cast<OstrivansHelper*>(h->Clone(dupRemap));
    }
    ASSERT_EQ(dup->NumRefNodes(), 2);
    ASSERT_EQ(dup->NumRefMaterials(), 1);
    EXPECT_EQ(dup->GetRefNode(0), nullptr);
    ASSERT_NE(dup->GetRefNode(1), nullptr);
    EXPECT_NE(dup->GetRefNode(1), kept);
    EXPECT_EQ(dup->GetRefNode(1)->GetHelper(), dup);
    EXPECT_EQ(dupRemap.FindMapping(kept), dup->GetRefNode(1));
    EXPECT_EQ(dup->GetRefMaterial(0), nullptr);
    ASSERT_EQ(dup->GetNodesToDelete().size(), 1u);
    EXPECT_EQ(dup->GetNodesToDelete()[0], WStr(L"Gone01"));
    EXPECT_EQ(dup->GetParamBlock()->GetInt(pb_selected_in_manager), 0);
    EXPECT_EQ(h->GetParamBlock()->GetInt(pb_selected_in_manager), 1);
    plainCopy->DeleteThis();
    dup->DeleteThis();
}

// While a merge runs, the helper holds the scene material library; what the merge adds to it does not
// stay there (the library reports each change of its entries as a change of its structure).
TEST_F(HelperReferencesTest, TheHeldMaterialLibraryKeepsNothingAdded) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    MtlBaseLib* held = NewMtlBaseLib();
    MtlBaseLib* other = NewMtlBaseLib();
    h->ReplaceReference(OstrivansHelper::kHeldMtlLibRef, held);
    Mtl* merged = b.Standard("Merged");
    held->Add(merged);
    other->Add(merged);
    EXPECT_EQ(held->Count(), 0);
    EXPECT_EQ(other->Count(), 1);
    h->DeleteReference(OstrivansHelper::kHeldMtlLibRef);
    EXPECT_EQ(h->GetHeldMtlLib(), nullptr);
    other->DeleteThis();
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
