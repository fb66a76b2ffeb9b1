// A node record's tracking of its node's modifier stack: the entries built from the stack, the user's
// deletions, renames, toggles and local modifiers, and their re-application on a freshly merged stack.
#include "plugin/records/RefNode.h"

#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/records/RecordValueRestore.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <unordered_map>
#include <unordered_set>

namespace {

IDerivedObject* AsDerived(Object* obj) {
    return obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(obj) : nullptr;
}

std::uint8_t ReadToggles(Modifier* mod) {
    return static_cast<std::uint8_t>(mod->GetEnableFlags() & (Modifier::kEnabled | Modifier::kEnabledInViews |
                                                               Modifier::kEnabledInRender));
}

RefModifier* CopyEntry(const RefModifier& from, bool withModifier) {
    auto* e = new RefModifier;
    e->modifier = withModifier ? from.modifier : nullptr;
    e->holder = withModifier ? from.holder : nullptr;
    e->state = from.state;
    e->name = from.name;
    e->index = from.index;
    e->toggles = from.toggles;
    if (from.context) e->context = std::make_unique<ModContext>(*from.context);
    return e;
}

template <class Table> void DeleteAll(Table& table) {
    for (auto* e : table) delete e;
    table.clear();
}

} // namespace

// A record's modifier tables with the modifiers they hold: undo puts the snapshot taken at creation back,
// redo the one undo found. The tables' references move with them here, outside the hold, because the
// tables change shape and the host's records of single reference slots would land in the wrong entries.
class ModifierTablesRestore : public OwnedStateRestore {
public:
    explicit ModifierTablesRestore(RefNode* node) : OwnedStateRestore(node), node_(node) { Take(undo_); }
    ~ModifierTablesRestore() override {
        Free(undo_);
        Free(redo_);
    }
    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) {
            Free(redo_);
            Take(redo_);
        }
        Put(undo_);
    }
    void Redo() override {
        if (OwnerAlive()) Put(redo_);
    }
    int Size() override { return static_cast<int>(sizeof(*this)); }

private:
    struct Tables {
        std::vector<RefModifier*> ws, os;
        std::vector<ModDeleted> deleted;
        std::vector<ModChangedName> renamed;
        std::vector<ModChangedToggles> toggled;
        std::int32_t wsCount = 0, osCount = 0;
    };
    void Take(Tables& t) const {
        for (RefModifier* m : node_->wsMods_) t.ws.push_back(m ? CopyEntry(*m, true) : nullptr);
        for (RefModifier* m : node_->osMods_) t.os.push_back(m ? CopyEntry(*m, true) : nullptr);
        for (ModDeleted* m : node_->Side().deletedMods) t.deleted.push_back(*m);
        for (ModChangedName* m : node_->Side().renamedMods) t.renamed.push_back(*m);
        for (ModChangedToggles* m : node_->Side().toggledMods) t.toggled.push_back(*m);
        t.wsCount = node_->wsModCount_;
        t.osCount = node_->osModCount_;
    }
    void Put(const Tables& t) {
        theHold.Suspend();
        RefModifierTable ws, os;
        for (RefModifier* m : t.ws) ws.push_back(m ? CopyEntry(*m, true) : new RefModifier);
        for (RefModifier* m : t.os) os.push_back(m ? CopyEntry(*m, true) : new RefModifier);
        node_->SwapModifierTables(std::move(ws), std::move(os), false);
        DeleteAll(node_->EditSide().deletedMods);
        for (const ModDeleted& m : t.deleted) node_->EditSide().deletedMods.push_back(new ModDeleted(m));
        DeleteAll(node_->EditSide().renamedMods);
        for (const ModChangedName& m : t.renamed) node_->EditSide().renamedMods.push_back(new ModChangedName(m));
        DeleteAll(node_->EditSide().toggledMods);
        for (const ModChangedToggles& m : t.toggled) node_->EditSide().toggledMods.push_back(new ModChangedToggles(m));
        node_->wsModCount_ = t.wsCount;
        node_->osModCount_ = t.osCount;
        node_->TrimSide();
        theHold.Resume();
    }
    static void Free(Tables& t) {
        DeleteAll(t.ws);
        DeleteAll(t.os);
        t = Tables{};
    }
    RefNode* node_;
    Tables undo_, redo_;
};

namespace {

void HoldTables(RefNode* node) {
    if (theHold.Holding()) theHold.Put(new ModifierTablesRestore(node));
}

} // namespace

// ---- reading the stack

void RefNode::ReadStack(RefModifierTable& ws, RefModifierTable& os,
                        const std::function<const RefModifier*(Modifier*)>& known) const {
    INode* node = GetNode();
    if (!node) return;
    Object* top = node->GetObjOrWSMRef();
    int total = 0;
    for (IDerivedObject* d = AsDerived(top); d; d = AsDerived(d->GetObjRef())) total += d->NumModifiers();
    auto entry = [this, &known](Modifier* mod, int index) {
        auto* e = new RefModifier;
        e->modifier = mod;
        e->index = index;
        e->toggles = ReadToggles(mod);
        if (const RefModifier* k = known(mod)) {
            e->state = k->state;
            e->name = k->name;
            if (k->context) e->context = std::make_unique<ModContext>(*k->context);
        } else {
            // A modifier the user renamed keeps the file's name in its entry, as the file will bring it.
            e->name = WStr(mod->GetName());
            for (ModChangedName* r : Side().renamedMods)
                if (r->newName == e->name) e->name = r->oldName;
        }
        return e;
    };
    int next = total - 1;
    IDerivedObject* wsStack = AsDerived(top);
    if (wsStack && wsStack->IsWorldSpace()) {
        for (int i = 0; i < wsStack->NumModifiers(); ++i)
            if (Modifier* mod = wsStack->GetModifier(i)) ws.push_back(entry(mod, next--));
    } else {
        wsStack = nullptr;
    }
    for (IDerivedObject* d = AsDerived(node->GetObjectRef()); d;) {
        for (int i = 0; i < d->NumModifiers(); ++i)
            if (Modifier* mod = d->GetModifier(i)) os.push_back(entry(mod, next--));
        d = AsDerived(d->GetObjRef());
        if (d) {
            auto* nested = new RefModifier;
            nested->state = REFMOD_NESTED_DERIVED;
            nested->index = next;
            os.push_back(nested);
        }
    }
}

void RefNode::ReplaceModifierTables(RefModifierTable ws, RefModifierTable os) {
    const bool holding = theHold.Holding();
    HoldTables(this);
    theHold.Suspend();
    SwapModifierTables(std::move(ws), std::move(os), !holding);
    theHold.Resume();
    HoldTables(this);
}

void RefNode::SwapModifierTables(RefModifierTable ws, RefModifierTable os, bool release) {
    // The references leave the old slots before the tables change shape and come back into the new ones.
    // What the new tables keep is gathered only when an old slot holds something: a fresh record (every
    // record a load makes) has none.
    std::unordered_set<ReferenceTarget*> kept;
    bool gathered = false;
    std::vector<ReferenceTarget*> dropped;
    const int first = FirstWSModRef();
    const int count = NumWSModifiers() + NumOSModifiers();
    for (int k = 0; k < count; ++k) {
        ReferenceTarget* held = GetReference(first + k);
        if (!held) continue;
        if (!gathered) {
            for (const auto* table : {&ws, &os})
                for (RefModifier* e : *table)
                    if (ReferenceTarget* t = EntryTarget(e)) kept.insert(t);
            gathered = true;
        }
        if (!kept.count(held)) dropped.push_back(held);
        ReplaceReference(first + k, nullptr, FALSE);
    }
    // The new entries' targets, in slot order: a stack of a few modifiers keeps them on the stack.
    constexpr size_t kFew = 8;
    ReferenceTarget* few[kFew];
    std::vector<ReferenceTarget*> many(ws.size() + os.size() > kFew ? ws.size() + os.size() : 0);
    ReferenceTarget** targets = many.empty() ? few : many.data();
    size_t numTargets = 0;
    for (const auto* table : {&ws, &os})
        for (RefModifier* e : *table) {
            targets[numTargets++] = EntryTarget(e);
            e->modifier = nullptr;
            e->holder = nullptr;
        }
    DeleteAll(wsMods_);
    DeleteAll(osMods_);
    wsMods_ = std::move(ws);
    osMods_ = std::move(os);
    wsModCount_ = NumWSModifiers();
    osModCount_ = 0;
    for (RefModifier* e : osMods_)
        if (e->state != REFMOD_NESTED_DERIVED) ++osModCount_;
    for (size_t k = 0; k < numTargets; ++k)
        if (targets[k]) ReplaceReference(first + static_cast<int>(k), targets[k]);
    // A modifier that left the stack and the record has nothing holding it any more; under undo the
    // snapshots may still bring it back, so it stays.
    if (release)
        for (ReferenceTarget* t : dropped) t->MaybeAutoDelete();
}

int RefNode::EntrySlot(const RefModifier* e) const {
    const auto ws = std::find(wsMods_.begin(), wsMods_.end(), e);
    if (ws != wsMods_.end()) return FirstWSModRef() + static_cast<int>(ws - wsMods_.begin());
    const auto os = std::find(osMods_.begin(), osMods_.end(), e);
    if (os != osMods_.end()) return FirstWSModRef() + NumWSModifiers() + static_cast<int>(os - osMods_.begin());
    return -1;
}

// ---- instances

namespace {

// Merges the notes of another record into ours: each of theirs inside the stack meets the nearest of
// ours of the same name, which takes its index (and payload); the others are copied. True on a change.
template <class Note, class Name, class Take>
bool MergeNotes(const std::vector<Note*>& theirs, std::vector<Note*>& ours, int total, Name name, Take take) {
    std::unordered_multimap<std::wstring, Note*> byName;
    for (Note* n : ours)
        if (n) byName.emplace(std::wstring(name(*n).c_str()), n);
    bool changed = false;
    for (const Note* t : theirs) {
        if (!t || t->index < 0 || t->index >= total) continue;
        Note* best = nullptr;
        const auto range = byName.equal_range(std::wstring(name(*t).c_str()));
        for (auto it = range.first; it != range.second; ++it)
            if (!best || std::abs(it->second->index - t->index) < std::abs(best->index - t->index)) best = it->second;
        if (!best) {
            ours.push_back(new Note(*t));
            byName.emplace(std::wstring(name(*t).c_str()), ours.back());
            changed = true;
        } else if (take(*best, *t)) {
            changed = true;
        }
    }
    return changed;
}

} // namespace

bool RefNode::AdoptInstanceNotes() {
    INode* node = GetNode();
    IDerivedObject* stack = node ? AsDerived(node->GetObjectRef()) : nullptr;
    if (!stack) return false;
    int total = 0;
    for (IDerivedObject* d = AsDerived(node->GetObjOrWSMRef()); d; d = AsDerived(d->GetObjRef())) total += d->NumModifiers();
    std::vector<RefNode*> sharing;
    DependentIterator it(stack);
    while (ReferenceMaker* dep = it.Next())
        if (dep != node && dep->SuperClassID() == BASENODE_CLASS_ID)
            if (auto* rec = dynamic_cast<RefNode*>(RefBase::FromItem(static_cast<INode*>(dep))); rec && rec != this)
                if (!rec->Side().deletedMods.empty() || !rec->Side().renamedMods.empty() || !rec->Side().toggledMods.empty())
                    sharing.push_back(rec);
    if (sharing.empty()) return false;
    HoldTables(this);
    bool changed = false;
    for (RefNode* rec : sharing) {
        // The other record may have applied its deletions to the shared stack already: its indices then
        // reach past the stack's end by as many.
        const int reach = total + static_cast<int>(rec->Side().deletedMods.size());
        changed |= MergeNotes(rec->Side().deletedMods, EditSide().deletedMods, reach, [](const ModDeleted& n) { return n.name; },
                              [](ModDeleted& ours, const ModDeleted& theirs) {
                                  const bool differs = ours.index != theirs.index || ours.matched != theirs.matched;
                                  ours.index = theirs.index;
                                  ours.matched = theirs.matched;
                                  return differs;
                              });
        changed |= MergeNotes(rec->Side().renamedMods, EditSide().renamedMods, reach, [](const ModChangedName& n) { return n.oldName; },
                              [](ModChangedName& ours, const ModChangedName& theirs) {
                                  const bool differs = ours.index != theirs.index || ours.newName != theirs.newName;
                                  ours.index = theirs.index;
                                  ours.newName = theirs.newName;
                                  return differs;
                              });
        changed |= MergeNotes(rec->Side().toggledMods, EditSide().toggledMods, reach, [](const ModChangedToggles& n) { return n.name; },
                              [](ModChangedToggles& ours, const ModChangedToggles& theirs) {
                                  const bool differs = ours.index != theirs.index || ours.toggles != theirs.toggles;
                                  ours.index = theirs.index;
                                  ours.toggles = theirs.toggles;
                                  return differs;
                              });
    }
    HoldTables(this);
    return changed;
}

// ---- the user's own object

namespace {

constexpr std::int32_t kNodeObjectChild = NODE_SUBANIM_OBJECT + 1;

} // namespace

bool RefNode::TakeReplacedObject() {
    if (overrideFlags_ & (REFNODE_OBJECT_REPLACED | REFNODE_KEEP_MODIFIER_STACK)) return false;
    INode* node = GetNode();
    Object* obj = node ? node->GetObjectRef() : nullptr;
    if (!obj) return false;
    std::unordered_set<Modifier*> now;
    Object* base = obj;
    for (IDerivedObject* d = AsDerived(obj); d; d = AsDerived(d->GetObjRef())) {
        for (int i = 0; i < d->NumModifiers(); ++i) now.insert(d->GetModifier(i));
        base = d->GetObjRef();
    }
    // Only a stack from the file can tell: every modifier it had is gone...
    bool had = false;
    for (RefModifier* e : osMods_)
        if (e && e->modifier && e->state != REFMOD_ADDED_LOCALLY) {
            if (now.count(e->modifier)) return false;
            had = true;
        }
    if (!had) return false;
    // ...and the base object is not the one this record mirrors (else the user emptied the stack).
    if (base) {
        DependentIterator it(base);
        while (ReferenceMaker* dep = it.Next())
            if (auto* m = dynamic_cast<RefAnim*>(dep); m && m->GetOwner() == static_cast<IRefAnimOwner*>(this))
                return false;
        for (int i = 0; i < base->NumSubs(); ++i)
            if (auto* sub = dynamic_cast<ReferenceTarget*>(base->SubAnim(i))) {
                DependentIterator subs(sub);
                while (ReferenceMaker* dep = subs.Next())
                    if (auto* m = dynamic_cast<RefAnim*>(dep); m && m->GetOwner() == static_cast<IRefAnimOwner*>(this))
                        return false;
            }
    }
    SetOverrideFlag(REFNODE_OVERRIDE_MODIFIERS, true, true);
    SetOverrideFlag(REFNODE_OBJECT_REPLACED, true, true);
    ReplaceModifierTables({}, {});
    // The old stack's mirrors go with the mirrors below the node's object; the new object is the user's.
    MirrorReplacedAt(nullptr, obj, PathNames{PathName(WStr(node->SubAnimName(NODE_SUBANIM_OBJECT)))},
                     std::vector<std::int32_t>{kNodeObjectChild});
    return true;
}

void RefNode::GiveReplacedObjectBack(INode* node) {
    for (int i = 0; i < NumMirrors(); ++i) {
        RefAnim* m = GetMirror(i);
        if (!m || !m->IsOverridden(REFANIM_REPLACED) || m->GetPathByNumber() != std::vector<std::int32_t>{kNodeObjectChild})
            continue;
        auto* obj = dynamic_cast<Object*>(m->GetAnim());
        if (obj && node->GetObjectRef() != obj) node->SetObjectRef(obj);
        return;
    }
}

// ---- monitoring

void RefNode::MonitorModifiers() {
    if (overrideFlags_ & REFNODE_OBJECT_REPLACED) return;
    try {
        std::unordered_map<Modifier*, const RefModifier*> known;
        for (const auto* table : {&wsMods_, &osMods_})
            for (RefModifier* e : *table)
                if (e && e->modifier) known.emplace(e->modifier, e);
        RefModifierTable ws, os;
        ReadStack(ws, os, [&known](Modifier* m) -> const RefModifier* {
            const auto it = known.find(m);
            return it == known.end() ? nullptr : it->second;
        });
        ReplaceModifierTables(std::move(ws), std::move(os));
        if (AdoptInstanceNotes()) MarkOverride(REFNODE_OVERRIDE_MODIFIERS);
    } catch (const MAXException& e) {
        RaiseFailure(L"Monitoring Modifiers in", &e, nullptr);
    } catch (...) {
        RaiseFailure(L"Monitoring Modifiers in", nullptr, nullptr);
    }
}

void RefNode::CheckModifiers() {
    if (overrideFlags_ & (REFNODE_OBJECT_REPLACED | REFNODE_KEEP_MODIFIER_STACK)) return;
    if (!GetNode() || TakeReplacedObject()) return;
    std::unordered_map<Modifier*, const RefModifier*> known;
    for (const auto* table : {&wsMods_, &osMods_})
        for (RefModifier* e : *table)
            if (e && e->modifier) known.emplace(e->modifier, e);
    RefModifierTable ws, os;
    bool added = false;
    ReadStack(ws, os, [&](Modifier* m) -> const RefModifier* {
        const auto it = known.find(m);
        if (it != known.end()) return it->second;
        added = true;
        return nullptr;
    });
    // New modifiers are the user's own.
    for (const auto* table : {&ws, &os})
        for (RefModifier* e : *table)
            if (e->modifier && !known.count(e->modifier)) e->state = REFMOD_ADDED_LOCALLY;
    std::unordered_set<Modifier*> present;
    for (const auto* table : {&ws, &os})
        for (RefModifier* e : *table)
            if (e->modifier) present.insert(e->modifier);
    std::vector<ModDeleted*> gone;
    bool removed = false;
    for (const auto* table : {&wsMods_, &osMods_})
        for (RefModifier* e : *table) {
            if (!e || !e->modifier || present.count(e->modifier)) continue;
            removed = true;
            if (e->state == REFMOD_ADDED_LOCALLY) continue;
            auto* d = new ModDeleted;
            d->name = e->name;
            d->index = e->index;
            gone.push_back(d);
        }
    if (!added && !removed && ws.size() == wsMods_.size() && os.size() == osMods_.size()) {
        DeleteAll(ws);
        DeleteAll(os);
        return;
    }
    // The deletions go into the snapshot the table swap takes first.
    HoldTables(this);
    for (ModDeleted* d : gone) EditSide().deletedMods.push_back(d);
    ReplaceModifierTables(std::move(ws), std::move(os));
    MarkOverride(REFNODE_OVERRIDE_MODIFIERS);
    objectRecheckPending_ = 1;
}

void RefNode::RereferenceSingleModifiers() {
    if (overrideFlags_ & REFNODE_OBJECT_REPLACED) return;
    MonitorModifiers();
}

bool RefNode::DetectModifierChange(RefTargetHandle target, RefMessage message) {
    if (!target || (target->SuperClassID() != OSM_CLASS_ID && target->SuperClassID() != WSM_CLASS_ID)) return false;
    RefModifier* entry = nullptr;
    for (const auto* table : {&wsMods_, &osMods_})
        for (RefModifier* e : *table)
            if (e && e->modifier == target) entry = e;
    if (!entry) return false;
    if ((overrideFlags_ & REFNODE_OBJECT_REPLACED) || entry->state == REFMOD_ADDED_LOCALLY) return true;
    Modifier* mod = entry->modifier;
    if (message == REFMSG_CHANGE) {
        const std::uint8_t now = ReadToggles(mod);
        auto it = std::find_if(Side().toggledMods.begin(), Side().toggledMods.end(), [entry](ModChangedToggles* t) {
            return t->name == entry->name && t->index == entry->index;
        });
        if (it == Side().toggledMods.end() && now == entry->toggles) return true;
        HoldTables(this);
        if (it == Side().toggledMods.end()) {
            auto* t = new ModChangedToggles;
            t->name = entry->name;
            t->index = entry->index;
            EditSide().toggledMods.push_back(t);
            it = EditSide().toggledMods.end() - 1;
        }
        (*it)->toggles = now;
        HoldTables(this);
        MarkOverride(REFNODE_OVERRIDE_MODIFIERS, false);
        return true;
    }
    if (message == REFMSG_NODE_NAMECHANGE || message == REFMSG_MODIFIER_NAME_CHANGED) {
        const WStr now(mod->GetName());
        auto it = std::find_if(Side().renamedMods.begin(), Side().renamedMods.end(), [entry](ModChangedName* r) {
            return r->oldName == entry->name && r->index == entry->index;
        });
        if (it == Side().renamedMods.end() && now == entry->name) return true;
        if (it != Side().renamedMods.end() && (*it)->newName == now) return true;
        HoldTables(this);
        if (it == Side().renamedMods.end()) {
            auto* r = new ModChangedName;
            r->oldName = entry->name;
            r->index = entry->index;
            EditSide().renamedMods.push_back(r);
            it = EditSide().renamedMods.end() - 1;
        }
        (*it)->newName = now;
        HoldTables(this);
        MarkOverride(REFNODE_OVERRIDE_MODIFIERS);
        return true;
    }
    return false;
}

// ---- collection

void RefNode::CollectModifiers() {
    if (overrideFlags_ & (REFNODE_OBJECT_REPLACED | REFNODE_KEEP_MODIFIER_STACK)) return;
    INode* node = GetNode();
    if (!node) return;
    try {
        // Each local modifier's context, read where the modifier sits now.
        std::unordered_map<Modifier*, ModContext*> contexts;
        for (IDerivedObject* d = AsDerived(node->GetObjOrWSMRef()); d; d = AsDerived(d->GetObjRef()))
            for (int i = 0; i < d->NumModifiers(); ++i) contexts.emplace(d->GetModifier(i), d->GetModContext(i));
        for (const auto* table : {&wsMods_, &osMods_})
            for (RefModifier* e : *table) {
                if (!e || e->state != REFMOD_ADDED_LOCALLY || !e->modifier) continue;
                const auto it = contexts.find(e->modifier);
                if (it != contexts.end() && it->second) e->context = std::make_unique<ModContext>(*it->second);
            }
        HoldLocalModifiers(node);
    } catch (const MAXException& e) {
        RaiseFailure(L"Collecting Modifiers in", &e, nullptr);
    } catch (...) {
        RaiseFailure(L"Collecting Modifiers in", nullptr, nullptr);
    }
}

void RefNode::HoldLocalModifiers(INode*) {
    DisableRefMsgs();
    struct Enable {
        RefNode* self;
        ~Enable() { self->EnableRefMsgs(); }
    } enable{this};
    for (const auto* table : {&wsMods_, &osMods_})
        for (RefModifier* e : *table) {
            if (!e || e->state != REFMOD_ADDED_LOCALLY || !e->modifier || e->holder || !e->context ||
                !e->context->localData)
                continue;
            auto* base = new EmptyBaseObject(FALSE);
            IDerivedObject* holder = e->modifier->SuperClassID() == WSM_CLASS_ID ? CreateWSDerivedObject(base)
                                                                                 : CreateDerivedObject(base);
            holder->AddModifier(e->modifier, new ModContext(*e->context), 0);
            ReplaceReference(EntrySlot(e), holder);
        }
}

// ---- override

void RefNode::OverrideModifiers() {
    INode* node = GetNode();
    if (!node) return;
    const DWORD flags = overrideFlags_;
    if (flags & REFNODE_OBJECT_REPLACED) {
        GiveReplacedObjectBack(node);
        return;
    }
    if (flags & REFNODE_KEEP_MODIFIER_STACK) {
        // The kept stack went over the fresh base object at the update; the next collection asks again.
        SetOverrideFlag(REFNODE_KEEP_MODIFIER_STACK, false, true);
        MonitorModifiers();
        return;
    }
    if (!(flags & REFNODE_OVERRIDE_MODIFIERS)) {
        MonitorModifiers();
        return;
    }
    RefNode* const outer = ModifierOverriderSlot();
    ModifierOverriderSlot() = this;
    modifiersSettled_ = 0;
    struct Settle {
        RefNode* self;
        RefNode* outer;
        ~Settle() {
            ModifierOverriderSlot() = outer;
            self->modifiersSettled_ = 1;
        }
    } settle{this, outer};
    try {
        for (ModDeleted* d : Side().deletedMods) d->matched = 0;
        AdoptInstanceNotes();
        // The fresh stack, top first, with each modifier's place (its derived object and position) and its
        // index counted from the bottom; indexed by name.
        struct Place {
            IDerivedObject* stack;
            int position;
            int index;
            Modifier* mod;
        };
        auto readPlaces = [node] {
            std::vector<Place> places;
            for (IDerivedObject* d = AsDerived(node->GetObjOrWSMRef()); d; d = AsDerived(d->GetObjRef()))
                for (int i = 0; i < d->NumModifiers(); ++i) places.push_back({d, i, 0, d->GetModifier(i)});
            const int total = static_cast<int>(places.size());
            for (int k = 0; k < total; ++k) places[static_cast<size_t>(k)].index = total - k - 1;
            return places;
        };
        std::vector<Place> places = readPlaces();
        std::unordered_multimap<std::wstring, Place*> byName;
        for (Place& p : places) byName.emplace(std::wstring(WStr(p.mod->GetName()).c_str()), &p);
        auto nearest = [&byName](const WStr& name, int index, auto accept) -> Place* {
            Place* best = nullptr;
            const auto range = byName.equal_range(std::wstring(name.c_str()));
            for (auto it = range.first; it != range.second; ++it)
                if (accept(it->second) &&
                    (!best || std::abs(it->second->index - index) < std::abs(best->index - index)))
                    best = it->second;
            return best;
        };
        // Toggles, then renames (both by the file's name and the nearest index).
        for (ModChangedToggles* t : Side().toggledMods)
            if (Place* p = nearest(t->name, t->index, [](Place*) { return true; }))
                p->mod->SetEnableFlags((p->mod->GetEnableFlags() & ~7) | t->toggles);
        for (ModChangedName* r : Side().renamedMods)
            if (Place* p = nearest(r->oldName, r->index, [](Place*) { return true; })) p->mod->SetName(r->newName);
        // Deletions: each takes the nearest modifier of its name not taken by another.
        std::vector<Place*> doomed;
        std::unordered_set<Place*> taken;
        // A deletion that a record sharing the stack applied in this pass (its mark, taken over above, is
        // the pass's stamp) is not applied twice.
        const auto pass = static_cast<std::int32_t>(GetHelperStamp());
        for (ModDeleted* d : Side().deletedMods) {
            if (pass != 0 && d->matched == pass) continue;
            if (Place* p = nearest(d->name, d->index, [&taken](Place* q) { return !taken.count(q); })) {
                taken.insert(p);
                doomed.push_back(p);
                d->matched = pass != 0 ? pass : 1;
            }
        }
        // From the bottom of each derived object up, so positions above stay valid.
        std::sort(doomed.begin(), doomed.end(), [](Place* a, Place* b) { return a->index < b->index; });
        for (Place* p : doomed) p->stack->DeleteModifier(p->position);
        // Local modifiers go back at their index, bottom first, each into the derived object that holds
        // that index now (the world-space one for space warps).
        // Each entry's index follows from its place in the tables (top first, nested-object entries not
        // counted), which is also all a loaded record knows of it.
        int counted = 0;
        for (const auto* table : {&wsMods_, &osMods_})
            for (RefModifier* e : *table)
                if (e && e->state != REFMOD_NESTED_DERIVED) ++counted;
        std::vector<RefModifier*> locals;
        for (const auto* table : {&wsMods_, &osMods_})
            for (RefModifier* e : *table) {
                if (!e || e->state == REFMOD_NESTED_DERIVED) continue;
                e->index = --counted;
                if (e->state == REFMOD_ADDED_LOCALLY && e->modifier) locals.push_back(e);
            }
        std::sort(locals.begin(), locals.end(), [](RefModifier* a, RefModifier* b) { return a->index < b->index; });
        // A stack shared with another referenced node may hold a local modifier already (that node's
        // record put it back first): an instance stays one.
        std::unordered_set<Modifier*> present;
        for (const Place& p : places) present.insert(p.mod);
        auto releaseHolder = [this](RefModifier* e) {
            const int slot = EntrySlot(e);
            if (slot >= 0) ReplaceReference(slot, e->modifier);
        };
        for (RefModifier* e : locals) {
            if (present.count(e->modifier)) continue;
            const bool worldSpace = e->modifier->SuperClassID() == WSM_CLASS_ID;
            IDerivedObject* target = nullptr;
            int before = 0;
            if (worldSpace) {
                target = AsDerived(node->GetObjOrWSMRef());
                if (!target || !target->IsWorldSpace()) {
                    // The node takes a world-space derived object over its pipeline.
                    target = CreateWSDerivedObject(node->GetObjectRef());
                    node->SetObjectRef(target);
                }
                before = std::max(0, std::min(target->NumModifiers(),
                                              static_cast<int>(places.size()) - e->index));
            } else {
                // Count down from the top of the object-space stack to the place index e->index.
                places = readPlaces();
                int osTop = 0;
                IDerivedObject* ws = AsDerived(node->GetObjOrWSMRef());
                if (ws && ws->IsWorldSpace()) osTop = ws->NumModifiers();
                const int wanted = static_cast<int>(places.size()) - e->index; // position counted from the top
                int k = std::max(osTop, std::min(wanted, static_cast<int>(places.size())));
                if (k < static_cast<int>(places.size())) {
                    target = places[static_cast<size_t>(k)].stack;
                    before = places[static_cast<size_t>(k)].position;
                } else {
                    // Below the last modifier: the bottom of the deepest derived object, or a new one.
                    target = osTop < static_cast<int>(places.size()) ? places.back().stack : nullptr;
                    before = target ? target->NumModifiers() : 0;
                    if (!target) {
                        target = CreateDerivedObject(node->GetObjectRef());
                        node->SetObjectRef(target);
                    }
                }
            }
            // A holder kept the modifier with its local data; the entry holds the modifier itself again.
            const ModContext* context = e->holder && e->holder->NumModifiers() > 0 ? e->holder->GetModContext(0)
                                                                                  : e->context.get();
            target->AddModifier(e->modifier, context ? new ModContext(*context) : nullptr, before);
            if (e->holder) releaseHolder(e);
            places = readPlaces();
        }
        MonitorModifiers();
    } catch (const MAXException& e) {
        RaiseFailure(L"Overriding Modifiers in", &e, nullptr);
    } catch (...) {
        RaiseFailure(L"Overriding Modifiers in", nullptr, nullptr);
    }
}

// ---- reset

void RefNode::ResetModifiers() {
    ResetOwnModifiers();
    // The nodes sharing the stack would put the user's modifiers back on it: their records drop them too
    // (a second reset of a record finds nothing left to drop).
    INode* node = GetNode();
    IDerivedObject* stack = node ? AsDerived(node->GetObjectRef()) : nullptr;
    if (!stack) return;
    std::vector<RefNode*> sharing;
    DependentIterator it(stack);
    while (ReferenceMaker* dep = it.Next())
        if (dep != node && dep->SuperClassID() == BASENODE_CLASS_ID)
            if (auto* rec = dynamic_cast<RefNode*>(RefBase::FromItem(static_cast<INode*>(dep)))) sharing.push_back(rec);
    for (RefNode* rec : sharing) rec->ResetOwnModifiers();
}

void RefNode::ResetOwnModifiers() {
    if (Side().deletedMods.empty() && Side().renamedMods.empty() && Side().toggledMods.empty() &&
        !(overrideFlags_ & REFNODE_OVERRIDE_MODIFIERS))
        return;
    HoldTables(this);
    if (side_) {
        DeleteAll(side_->deletedMods);
        DeleteAll(side_->renamedMods);
        DeleteAll(side_->toggledMods);
        TrimSide();
    }
    // Local modifiers are no longer the user's: the next merge leaves them out.
    for (const auto* table : {&wsMods_, &osMods_})
        for (RefModifier* e : *table)
            if (e && e->state == REFMOD_ADDED_LOCALLY) {
                e->state = REFMOD_FROM_FILE;
                e->context.reset();
            }
    HoldTables(this);
    SetOverrideFlag(REFNODE_OVERRIDE_MODIFIERS, false, true);
    if (overrideFlags_ & REFNODE_OBJECT_REPLACED) {
        // The user's object goes with its mirror: the next merge brings the file's object and stack.
        INode* node = GetNode();
        if (node)
            DeleteMirrorsAt(PathNames{PathName(WStr(node->SubAnimName(NODE_SUBANIM_OBJECT)))},
                            std::vector<std::int32_t>{kNodeObjectChild}, nullptr);
        SetOverrideFlag(REFNODE_OBJECT_REPLACED, false, true);
    }
}

void RefNode::RereadModifierToggles() {
    for (auto* table : {&wsMods_, &osMods_})
        for (RefModifier* m : *table) {
            // A holder's modifier is known only once the holder's own references are back.
            if (m && m->holder) SetEntryTarget(m, m->holder);
            if (m && m->modifier) m->toggles = ReadToggles(m->modifier);
        }
}
