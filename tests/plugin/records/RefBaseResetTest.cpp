// Reset verdicts (keep, delete, renew) with marks and twins in other records, the record's real and weak
// dependencies by operation, its name prefix, and the errors of its per-mirror loops.
#include "host/core/MaxException.h"
#include "host/scene/Control.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/records/RefBase.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A mirror whose collect fails with a host error and whose override fails with a foreign one.
class FailingMirror : public RefAnim {
public:
    void CollectLocDep(DWORD) override { throw MAXException(L"no stream", 7); }
    void Override(Animatable*) override { throw std::runtime_error("bad"); }
};

class RefBaseResetTest : public HelperFixture {
protected:
    void SetUp() override {
        HelperFixture::SetUp();
        helper = NewHelperNode(L"Ref01");
        box = b.Box("Box01").Build();
        rec = Record(box);
        // A LocDep pass of its own, so answers cached by earlier passes do not count.
        helper->IncrementStamp();
    }
    void TearDown() override {
        for (RefBase* r : records) r->MaybeAutoDelete();
        HelperFixture::TearDown();
    }
    RefBase* Record(INode* node) {
        auto* r = new RefBase(FALSE);
        r->SetHelper(helper);
        r->ReplaceReference(0, node);
        r->CollectMirrors();
        records.push_back(r);
        return r;
    }
    // What stands at a mirror's place after a reset: "-" for nothing, the mirror that was there ("kept") or a
    // new one, "marked" when made by the current pass, with its state.
    static std::string At(RefBase* r, int i, RefAnim* was) {
        RefAnim* m = r->GetMirror(i);
        if (!m) return "-";
        std::string s = m == was ? "kept" : "new";
        if (m != was && m->GetMark() == RefBase::GetCurrentMark()) s += " marked";
        if (m->GetOwner() != r) s += " elsewhere";
        return s + " state " + std::to_string(m->GetOverriddenState());
    }
    static int IndexOf(RefBase* r, const std::vector<WStr>& path) {
        for (int i = 0; i < r->NumMirrors(); ++i)
            if (r->GetMirror(i) && r->GetMirror(i)->GetPath() == path) return i;
        return -1;
    }

    OstrivansHelper* helper = nullptr;
    INode* box = nullptr;
    RefBase* rec = nullptr;
    std::vector<RefBase*> records;
};

const std::vector<WStr> kTransform{L"Transform"};
const std::vector<WStr> kPosition{L"Transform", L"Position"};
const std::vector<WStr> kRotation{L"Transform", L"Rotation"};
const std::vector<WStr> kScale{L"Transform", L"Scale"};
const std::vector<WStr> kObject{L"Object"};
const std::vector<WStr> kMaterial{L"Material"};

TEST_F(RefBaseResetTest, VerdictsKeepDeleteOrRenewOncePerMark) {
    // A local node instances the wall's object: the object is used locally, the material is not.
    INode* wall = b.Box("Wall01").Material(b.Standard("Brick")).Build();
    RefBase* r = Record(wall);
    b.Box("Local01").Build()->SetObjectRef(wall->GetObjectRef());

    const int prs = IndexOf(r, kTransform), scl = IndexOf(r, kScale), obj = IndexOf(r, kObject),
              mtl = IndexOf(r, kMaterial);
    ASSERT_GE(std::min({prs, scl, obj, mtl}), 0);
    RefAnim* transform = r->GetMirror(prs);
    RefAnim* scale = r->GetMirror(scl);
    RefAnim* oldObject = r->GetMirror(obj);
    for (int i : {prs, scl, obj, mtl}) r->GetMirror(i)->SetOverriddenState(REFANIM_MODIFIED);

    RefBase::NextMark();
    r->Reset(0xFFFFFFFF);
    // Passive kinds (the transform's, the plain one of the scale) only drop their change. The material is not
    // used locally: its mirror goes. The locally used object gets a fresh mirror at the same place, marked by
    // this pass.
    EXPECT_EQ(At(r, prs, transform) + ", " + At(r, scl, scale) + ", " + At(r, mtl, nullptr) + ", " +
                  At(r, obj, oldObject),
              "kept state 0, kept state 0, -, new marked state 0");
    RefAnim* renewed = r->GetMirror(obj);
    EXPECT_EQ(renewed->GetAnim(), wall->GetObjectRef());
    EXPECT_EQ(MirrorRow(renewed), "RefAnimRWMS Object #4");

    // The same pass leaves what it made alone; the next one does not.
    renewed->SetOverriddenState(REFANIM_MODIFIED);
    r->Reset(0xFFFFFFFF);
    EXPECT_EQ(At(r, obj, renewed), "kept state 2");
    RefBase::NextMark();
    r->Reset(0xFFFFFFFF);
    EXPECT_EQ(At(r, obj, renewed), "new marked state 0");
}

TEST_F(RefBaseResetTest, MirrorsOfTheSameAnimatableInOtherRecordsFollow) {
    INode* local = b.Box("Local01").Build();
    local->SetObjectRef(box->GetObjectRef());
    RefBase* other = Record(local);
    const int twinAt = IndexOf(other, kObject);
    ASSERT_GE(twinAt, 0);
    RefAnim* twin = other->GetMirror(twinAt);
    ASSERT_EQ(twin->GetAnim(), box->GetObjectRef());
    twin->SetOverriddenState(REFANIM_MODIFIED);
    rec->GetMirror(IndexOf(rec, kObject))->SetOverriddenState(REFANIM_MODIFIED);

    RefBase::NextMark();
    rec->Reset(0xFFFFFFFF);
    // Nothing outside the two records uses the object: the twin was judged with this record's mirror and
    // deleted in its own record.
    EXPECT_EQ(At(other, twinAt, twin), "-");
}

TEST_F(RefBaseResetTest, DependenciesAreWeakOnlyWhileUnloadingSavingOrDuplicating) {
    // The item, an unchanged mirror, a changed one, anything else.
    RefAnim* changed = rec->GetMirror(IndexOf(rec, kRotation));
    changed->SetOverriddenState(REFANIM_REPLACED);
    ExpectWeakOnlyWhileUnloadingSavingOrDuplicating(
        rec, {box, rec->GetMirror(IndexOf(rec, kPosition)), changed, box->GetTMController()}, "0011",
        [&] { helper->GetParamBlock()->SetValue(pb_persist_ref, 0, 1); });
}

TEST_F(RefBaseResetTest, TheNamePrefixIsTheHelperNodesNameWhenUsed) {
    std::string prefixes = rec->GetNamePrefix().ToUTF8() + "|";
    helper->GetParamBlock()->SetValue(pb_use_name_prefix, 0, 1);
    prefixes += rec->GetNamePrefix().ToUTF8() + "|";
    rec->SetHelper(nullptr);
    EXPECT_EQ(prefixes + rec->GetNamePrefix().ToUTF8(), "|Ref01|");
    rec->SetHelper(helper);
}

// A mirror being made already answers the owner it was given (the error of a failed creation describes
// it with its owner's part), and the record that references it once it holds it; mirrors in the making
// that are held out of the order they were made keep their own owners meanwhile.
TEST_F(RefBaseResetTest, AMirrorAnswersItsOwnerBeforeAndAfterTheOwnerHoldsIt) {
    RefBase* other = Record(b.Box("Box02").Build());
    auto* m = new RefAnim();
    auto* later = new RefAnim();
    auto* third = new RefAnim();
    m->SetOwner(other);
    m->SetOwner(rec);
    later->SetOwner(other);
    EXPECT_EQ(m->GetOwner(), static_cast<IRefAnimOwner*>(rec));
    rec->AppendMirror(m);
    third->SetOwner(rec);
    const std::vector<IRefAnimOwner*> owners{m->GetOwner(), later->GetOwner(), third->GetOwner()};
    EXPECT_EQ(owners, (std::vector<IRefAnimOwner*>{rec, other, rec}));
    other->AppendMirror(later);
    rec->AppendMirror(third);
    EXPECT_EQ(later->GetOwner(), static_cast<IRefAnimOwner*>(other));
    EXPECT_EQ(third->GetOwner(), static_cast<IRefAnimOwner*>(rec));
}

TEST_F(RefBaseResetTest, AFailingMirrorEndsCollectAndOverrideWithTheComposedError) {
    auto* bad = new FailingMirror();
    bad->SetOwner(rec);
    bad->SetPath({L"Nowhere"});
    rec->AppendMirror(bad);
    const std::string described = bad->Describe().ToUTF8();
    try {
        rec->Collect();
        ADD_FAILURE() << "Collect did not fail";
    } catch (const MAXException& e) {
        EXPECT_EQ(e.Message().ToUTF8(), "Error Collecting RefAnim\n" + described + "\n\nno stream");
        EXPECT_EQ(e.Code(), 0);
    }
    try {
        rec->Override();
        ADD_FAILURE() << "Override did not fail";
    } catch (const MAXException& e) {
        EXPECT_EQ(e.Message().ToUTF8(), "Unknown Error Overriding RefAnim\n" + described);
    }
    EXPECT_FALSE(rec->IsBusy());
}

} // namespace
