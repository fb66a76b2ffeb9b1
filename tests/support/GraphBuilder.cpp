// Test objects for the reference graph and the builder that owns their lifetime in a test.
#include "tests/support/GraphBuilder.h"

#include "host/core/Hold.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <type_traits>

namespace {
std::string NameOf(Animatable* a) {
    if (!a) return "null";
    if (auto* t = dynamic_cast<TestTarget*>(a)) return t->Name();
    if (auto* m = dynamic_cast<TestMaker*>(a)) return m->Name();
    MSTR s;
    a->GetClassName(s, false);
    return "(" + s.ToUTF8() + ")";
}
} // namespace

template <class Base>
TestRefs<Base>::TestRefs(GraphBuilder* owner, std::string name, int numRefs, SClass_ID superClass)
    : owner_(owner), name_(std::move(name)), superClass_(superClass), refs_(static_cast<size_t>(numRefs), nullptr),
      weak_(static_cast<size_t>(numRefs), false), refuse_(static_cast<size_t>(numRefs), false) {
    if (owner_) owner_->Register(this, name_);
}

template <class Base> TestRefs<Base>::~TestRefs() {
    onMessage = nullptr;
    this->DeleteAllRefs();
    if (owner_) owner_->freed.push_back(name_);
}

template <class Base> Class_ID TestRefs<Base>::ClassID() {
    return this->IsRefTarget() ? TEST_TARGET_CLASS_ID : TEST_MAKER_CLASS_ID;
}

template <class Base> void TestRefs<Base>::GetClassName(MSTR& s, bool) const {
    s = std::is_base_of_v<ReferenceTarget, Base> ? L"TestTarget" : L"TestMaker";
}

template <class Base> MSTR TestRefs<Base>::SubAnimName(int i, bool) { return MSTR::Format(L"Slot %d", i); }

template <class Base> BOOL TestRefs<Base>::IsRealDependency(ReferenceTarget* t) {
    for (size_t i = 0; i < refs_.size(); ++i)
        if (refs_[i] == t && !weak_[i]) return TRUE;
    return FALSE;
}

template <class Base>
RefResult TestRefs<Base>::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID,
                                           RefMessage message, BOOL) {
    if (owner_) owner_->heard.push_back({name_, NameOf(hTarget), message, partID});
    if (onMessage) onMessage(hTarget, partID, message);
    return answer;
}

template class TestRefs<ReferenceTarget>;
template class TestRefs<ReferenceMaker>;

RefTargetHandle TestTarget::Clone(RemapDir& remap) {
    if (!cloneable) return nullptr;
    auto* copy = new TestTarget(owner_, name_ + "'", NumRefs(), superClass_);
    copy->weak_ = weak_;
    copy->refuse_ = refuse_;
    copy->cloneable = cloneable;
    for (int i = 0; i < NumRefs(); ++i) copy->ReplaceReference(i, remap.CloneRef(GetReference(i)));
    BaseClone(this, copy, remap);
    return copy;
}

GraphBuilder::GraphBuilder() { theHold.ResetForTests(); }

GraphBuilder::~GraphBuilder() {
    // Deleted targets that undo records keep are freed with the records.
    theHold.ResetForTests();
    auto find = [](AnimHandle h) { return Animatable::GetAnimByHandle(h); };
    for (auto& [name, h] : created_) {
        Animatable* a = find(h);
        if (auto* t = dynamic_cast<TestTarget*>(a)) t->onMessage = nullptr;
        if (auto* m = dynamic_cast<TestMaker*>(a)) m->onMessage = nullptr;
    }
    // Newest first; a deletion may free others, so each is looked up again.
    for (size_t i = created_.size(); i-- > 0;) {
        Animatable* a = find(created_[i].second);
        if (!a) continue;
        if (auto* t = dynamic_cast<TestTarget*>(a)) {
            t->ClearAFlag(A_LOCK_TARGET);
            t->DeleteMe();
        } else if (auto* m = dynamic_cast<TestMaker*>(a)) {
            delete m;
        }
    }
    theHold.ResetForTests();
}

TestTarget* GraphBuilder::Target(const std::string& name, int numRefs, SClass_ID superClass) {
    return new TestTarget(this, name, numRefs, superClass);
}

TestMaker* GraphBuilder::Maker(const std::string& name, int numRefs, SClass_ID superClass) {
    return new TestMaker(this, name, numRefs, superClass);
}

void GraphBuilder::Link(ReferenceMaker* from, int slot, ReferenceTarget* to) {
    EXPECT_EQ(from->ReplaceReference(slot, to), REF_SUCCEED) << NameOf(from) << " ref " << slot << " -> " << NameOf(to);
}

bool GraphBuilder::Alive(const std::string& name) const {
    for (const auto& [n, h] : created_)
        if (n == name) return Animatable::GetAnimByHandle(h) != nullptr;
    ADD_FAILURE() << "no test object named " << name;
    return false;
}

std::vector<std::string> GraphBuilder::Heard() const {
    std::vector<std::string> out;
    char msg[16];
    for (const HeardMessage& h : heard) {
        std::snprintf(msg, sizeof msg, "0x%x", h.message);
        out.push_back(h.receiver + "<-" + h.sender + ":" + msg);
    }
    return out;
}

std::string GraphBuilder::Dump(const std::vector<Animatable*>& roots) const {
    AnimGraphDump::Options o;
    o.label = [](Animatable* a) { return MSTR::FromUTF8(NameOf(a)); };
    return AnimGraphDump::Dump(roots, o).ToUTF8();
}

void GraphBuilder::Register(Animatable* a, const std::string& name) {
    created_.emplace_back(name, Animatable::GetHandleByAnim(a));
}

std::vector<std::string> DependentNames(ReferenceTarget* t) {
    std::vector<std::string> out;
    DependentIterator it(t);
    for (ReferenceMaker* m = it.Next(); m; m = it.Next()) out.push_back(NameOf(m));
    return out;
}
