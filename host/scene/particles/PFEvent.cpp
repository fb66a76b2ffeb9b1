// The particle flow event: its action list, edits with undo, persistence, cloning and the dump.
#include "host/scene/particles/PFEvent.h"

#include "host/core/HoldSuspend.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"

#include <algorithm>

namespace {

// The list before and after an edit, by handles, so that a record outliving an action node loses only it.
class PFActionListRestore : public RestoreObj {
public:
    using Entry = PFEvent::Entry;
    PFActionListRestore(PFEvent* e, const std::vector<Entry>& before, const std::vector<Entry>& after)
        : handle_(Animatable::GetHandleByAnim(e)), before_(Held(before)), after_(Held(after)) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(after_); }
    MSTR Description() override { return L"Event Actions"; }

private:
    struct HeldEntry {
        AnimHandle node;
        bool active;
    };
    static std::vector<HeldEntry> Held(const std::vector<Entry>& entries) {
        std::vector<HeldEntry> h;
        h.reserve(entries.size());
        for (const Entry& e : entries) h.push_back({Animatable::GetHandleByAnim(e.node), e.active});
        return h;
    }
    void Apply(const std::vector<HeldEntry>& held) {
        auto* ev = dynamic_cast<PFEvent*>(Animatable::GetAnimByHandle(handle_));
        if (!ev) return;
        std::vector<Entry> entries;
        for (const HeldEntry& h : held)
            if (auto* n = dynamic_cast<INode*>(Animatable::GetAnimByHandle(h.node))) entries.push_back({n, h.active});
        ev->ApplyEntries(entries);
    }
    AnimHandle handle_;
    std::vector<HeldEntry> before_, after_;
};

} // namespace

PFEvent::~PFEvent() { DeleteAllRefs(); }

std::vector<PFEvent::Entry> PFEvent::Live() const {
    std::vector<Entry> live;
    live.reserve(entries_.size());
    for (const Entry& e : entries_)
        if (e.node) live.push_back(e);
    return live;
}

INode* PFEvent::GetAction(int index) {
    const std::vector<Entry> live = Live();
    return index >= 0 && index < static_cast<int>(live.size()) ? live[static_cast<size_t>(index)].node : nullptr;
}

int PFEvent::FindAction(INode* action) {
    const std::vector<Entry> live = Live();
    for (size_t i = 0; action && i < live.size(); ++i)
        if (live[i].node == action) return static_cast<int>(i);
    return -1;
}

bool PFEvent::InsertAction(INode* action, int index) {
    if (!IPFActionList::IsAction(action) || FindAction(action) >= 0) return false;
    std::vector<Entry> after = Live();
    const size_t at = static_cast<size_t>(std::clamp(index, 0, static_cast<int>(after.size())));
    after.insert(after.begin() + static_cast<std::ptrdiff_t>(at), Entry{action, true});
    Change(std::move(after));
    return true;
}

bool PFEvent::RemoveAction(int index) {
    std::vector<Entry> after = Live();
    if (index < 0 || index >= static_cast<int>(after.size())) return false;
    after.erase(after.begin() + index);
    Change(std::move(after));
    return true;
}

bool PFEvent::IsActionActive(int index) {
    const std::vector<Entry> live = Live();
    return index >= 0 && index < static_cast<int>(live.size()) && live[static_cast<size_t>(index)].active;
}

bool PFEvent::ActivateAction(int index, bool active) {
    std::vector<Entry> after = Live();
    if (index < 0 || index >= static_cast<int>(after.size())) return false;
    if (after[static_cast<size_t>(index)].active == active) return true;
    after[static_cast<size_t>(index)].active = active;
    Change(std::move(after));
    return true;
}

void PFEvent::Change(std::vector<Entry> after) {
    if (theHold.Holding()) theHold.Put(new PFActionListRestore(this, Live(), after));
    ApplyEntries(after);
}

void PFEvent::ApplyEntries(const std::vector<Entry>& entries) {
    {
        // One restore record stands for the whole edit.
        const HoldSuspend suspended;
        const size_t n = entries.size();
        if (entries_.size() < n) entries_.resize(n);
        for (size_t i = 0; i < entries_.size(); ++i)
            ReplaceReference(static_cast<int>(i), i < n ? static_cast<ReferenceTarget*>(entries[i].node) : nullptr);
        entries_.resize(n);
        for (size_t i = 0; i < n; ++i) entries_[i].active = entries[i].active;
    }
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

RefTargetHandle PFEvent::GetReference(int i) {
    return i >= 0 && i < NumRefs() ? entries_[static_cast<size_t>(i)].node : nullptr;
}

void PFEvent::SetReference(int i, RefTargetHandle t) {
    if (i < 0) return;
    // The scene reader restores the slots the actions chunk made room for; only a node goes in.
    if (static_cast<size_t>(i) >= entries_.size()) entries_.resize(static_cast<size_t>(i) + 1);
    entries_[static_cast<size_t>(i)].node = dynamic_cast<INode*>(t);
}

BOOL PFEvent::ShouldPersistWeakRef(RefTargetHandle t) {
    // Only action nodes of the scene's tree: nodes parked outside it while the scene is saved stay out.
    auto* n = dynamic_cast<INode*>(t);
    while (n && !n->IsRootNode()) n = n->GetParentNode();
    return n && n == GetCOREInterface()->GetRootNode() ? TRUE : FALSE;
}

RefTargetHandle PFEvent::Clone(RemapDir& remap) {
    auto* copy = static_cast<PFEvent*>(ConfiguredObject<HelperObject>::Clone(remap));
    // A copy runs the same action nodes: they are the scene's, not the event's.
    if (copy) copy->ApplyEntries(Live());
    return copy;
}

IOResult PFEvent::SaveOwn(ISave* isave) {
    std::vector<unsigned char> active;
    active.reserve(entries_.size());
    for (const Entry& e : entries_) active.push_back(e.active ? 1 : 0);
    return WriteListChunk<int>(isave, kActionsChunk, active);
}

IOResult PFEvent::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != kActionsChunk) return IO_OK;
    std::vector<unsigned char> active;
    if (ReadList<int>(iload, active) != IO_OK) return IO_ERROR;
    entries_.assign(active.size(), Entry{});
    for (size_t i = 0; i < active.size(); ++i) entries_[i].active = active[i] != 0;
    return IO_OK;
}

void PFEvent::DumpOwn(std::ostream& os, int indent) {
    os << std::string(static_cast<size_t>(indent), ' ') << "actions:";
    for (const Entry& e : Live())
        os << " \"" << WStr(e.node->GetName()).ToUTF8() << "\"" << (e.active ? "" : " (off)");
    os << "\n";
}
