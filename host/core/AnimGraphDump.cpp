// Graph dump: breadth-first numbering of what is reachable, then one block per object in that order.
#include "host/core/AnimGraphDump.h"

#include "host/core/ReferenceTarget.h"

#include <deque>
#include <unordered_map>

namespace {

MSTR ClassNameOf(Animatable* a) {
    MSTR name;
    a->GetClassName(name, false);
    return name;
}

MSTR FlagsText(Animatable* a) {
    MSTR out;
    auto add = [&](DWORD bit, const wchar_t* word) {
        if (!a->TestAFlag(bit)) return;
        out += out.isNull() ? L" [" : L", ";
        out += word;
    };
    add(A_LOCK_TARGET, L"locked");
    add(A_IS_DELETED, L"deleted");
    add(A_REFMSGS_DISABLED, L"msgs off");
    if (!out.isNull()) out += L"]";
    return out;
}

class Numbering {
public:
    // The object's number, giving it the next one (and queuing it) on first sight.
    int Visit(Animatable* a) {
        auto [it, fresh] = numbers_.emplace(a, static_cast<int>(order_.size()) + 1);
        if (fresh) order_.push_back(a);
        return it->second;
    }
    int Find(Animatable* a) const {
        auto it = numbers_.find(a);
        return it == numbers_.end() ? 0 : it->second;
    }
    const std::deque<Animatable*>& Order() const { return order_; }

private:
    std::unordered_map<Animatable*, int> numbers_;
    std::deque<Animatable*> order_;
};

// Everything the dump follows from a, in the order the lines print it.
template <class F> void ForEachChild(Animatable* a, const AnimGraphDump::Options& o, F&& f) {
    if (a->IsRefMaker()) {
        auto* m = static_cast<ReferenceMaker*>(a);
        for (int i = 0; i < m->NumRefs(); ++i)
            if (ReferenceTarget* t = m->GetReference(i)) f(t);
    }
    if (o.subAnims)
        for (int i = 0; i < a->NumSubs(); ++i)
            if (Animatable* s = a->SubAnim(i)) f(s);
    if (o.custAttribs)
        if (ReferenceTarget* c = a->GetCustAttribContainerTarget()) f(c);
}

MSTR Ref(const Numbering& n, Animatable* a) { return a ? MSTR::Format(L"#%d", n.Find(a)) : MSTR(L"null"); }

} // namespace

MSTR AnimGraphDump::Dump(Animatable* root, const Options& options) {
    return Dump(std::vector<Animatable*>{root}, options);
}

MSTR AnimGraphDump::Dump(const std::vector<Animatable*>& roots, const Options& o) {
    Numbering n;
    for (Animatable* r : roots)
        if (r) n.Visit(r);
    // Order() grows while it is walked: that is the breadth-first queue.
    for (size_t i = 0; i < n.Order().size(); ++i)
        ForEachChild(n.Order()[i], o, [&](Animatable* c) { n.Visit(c); });

    MSTR out;
    for (Animatable* a : n.Order()) {
        out += MSTR::Format(L"#%d ", n.Find(a));
        out += ClassNameOf(a);
        if (o.label) {
            MSTR extra = o.label(a);
            if (!extra.isNull()) out += L" " + extra;
        }
        out += MSTR(L" ") + MSTR::FromUTF8(a->ClassID().ToString());
        out += MSTR::Format(L" super 0x%x", static_cast<unsigned>(a->SuperClassID()));
        out += FlagsText(a);
        out += L"\n";
        if (a->IsRefMaker()) {
            auto* m = static_cast<ReferenceMaker*>(a);
            for (int i = 0; i < m->NumRefs(); ++i) {
                ReferenceTarget* t = m->GetReference(i);
                out += MSTR::Format(L"  ref %d: ", i) + Ref(n, t);
                if (t) out += m->IsRealDependency(t) ? L" real" : L" weak";
                out += L"\n";
            }
        }
        if (o.subAnims) {
            for (int i = 0; i < a->NumSubs(); ++i) {
                out += MSTR::Format(L"  sub %d \"%s\": ", i, a->SubAnimName(i, false).data());
                out += Ref(n, a->SubAnim(i)) + L"\n";
            }
        }
        if (o.custAttribs)
            if (ReferenceTarget* c = a->GetCustAttribContainerTarget()) out += L"  cac: " + Ref(n, c) + L"\n";
        if (o.dependents && a->IsRefTarget()) {
            auto* t = static_cast<ReferenceTarget*>(a);
            if (t->NumDependents() > 0) {
                out += L"  deps:";
                bool first = true;
                DependentIterator it(t);
                for (ReferenceMaker* d = it.Next(); d; d = it.Next()) {
                    out += first ? L" " : L", ";
                    first = false;
                    const int k = n.Find(d);
                    out += k ? MSTR::Format(L"#%d", k) : L"(" + ClassNameOf(d) + L")";
                }
                out += L"\n";
            }
        }
    }
    return out;
}
