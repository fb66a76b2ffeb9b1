// The particle flow mirror: the user's action toggles, added actions and connection changes found by
// comparing the flow with the flow as merged, replayed on the fresh flow; undo records, persistence, dump.
#include "plugin/anims/RefAnimPFSource.h"

#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"
#include "host/core/Hold.h"
#include "host/core/RefMessages.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/scene/ParticleFlow.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnimTableRestore.h"
#include "plugin/frame/OperationCode.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

using Record = RefAnimPFSource::Record;
using ActionTables = RefAnimPFSource::ActionTables;
using ConnectionTables = RefAnimPFSource::ConnectionTables;

int ActionsSize(const ActionTables& undo, const ActionTables& redo) {
    // The monitored records count twice: their copies carry the merged state and the current one.
    const auto n = [](const ActionTables& t) {
        return 2 * t.monitored.size() + t.toggled.size() + t.added.size() + t.removed.size();
    };
    return static_cast<int>(280 + 16 * (n(undo) + n(redo)));
}
int ConnectionsSize(const ConnectionTables& undo, const ConnectionTables& redo) {
    return static_cast<int>(280 + 16 * (undo.deleted.size() + redo.deleted.size()));
}
using PFActionsRestore = TableSnapshotRestore<ActionTables, &ActionsSize>;
using PFConnectionsRestore = TableSnapshotRestore<ConnectionTables, &ConnectionsSize>;

// The object at the bottom of the named node's stack.
Object* FlowObjectNamed(const WStr& name) {
    INode* node = PFNodeNamed(name);
    return node ? GetPFObject(node->GetObjectRef()) : nullptr;
}

std::unordered_set<std::wstring> Keys(const std::vector<Record>& records, bool withSecond) {
    std::unordered_set<std::wstring> keys;
    for (const Record& r : records) keys.insert(withSecond ? r.first.str() + L'\n' + r.second.str() : r.second.str());
    return keys;
}

// Each record a chunk of its own: 0 the first name, 1 the second, 2 the value.
IOResult SaveRecords(ISave* isave, USHORT id, const std::vector<Record>& records) {
    isave->BeginChunk(id);
    IOResult res = IO_OK;
    for (size_t i = 0; i < records.size() && res == IO_OK; ++i) {
        isave->BeginChunk(1);
        res = WriteStringChunk(isave, 0, records[i].first);
        if (res == IO_OK) res = WriteStringChunk(isave, 1, records[i].second);
        if (res == IO_OK) res = WriteValueChunk(isave, 2, records[i].value);
        const IOResult end = isave->EndChunk();
        if (res == IO_OK) res = end;
    }
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

// A table holds no more records than its count chunk announced: a longer one is a damaged file.
IOResult LoadRecords(ILoad* iload, USHORT table, std::vector<Record>& records, std::int32_t count,
                     USHORT countChunk = RefAnimPFSource::kCountsChunk) {
    records.clear();
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id != 1) return IO_OK;
        if (static_cast<std::int32_t>(records.size()) >= count) {
            auto* load = dynamic_cast<ChunkLoad*>(iload);
            return load ? load->Refuse(WStr::Format(L"chunk 0x%04X: record %zu where the counts chunk 0x%04X announced %d",
                                                    table, records.size() + 1, countChunk, count))
                        : IO_ERROR;
        }
        Record r;
        const IOResult res = ForEachChunk(iload, [&](USHORT part) -> IOResult {
            if (part == 0) return iload->ReadWStringChunk(r.first);
            if (part == 1) return iload->ReadWStringChunk(r.second);
            if (part == 2) return ReadValues(iload, r.value);
            return IO_OK;
        });
        if (res == IO_OK) records.push_back(std::move(r));
        return res;
    });
}

void DescribeRecords(WStr& out, const MCHAR* title, const std::vector<Record>& records, const MCHAR* separator) {
    out += title;
    for (const Record& r : records) out += r.first + separator + r.second + L", ";
}

} // namespace

WStr PFNodeName(INode* node) { return node ? WStr(node->GetName()) : WStr(); }

INode* PFNodeNamed(const WStr& name) {
    return name.isNull() ? nullptr : GetCOREInterface()->GetINodeByName(name.c_str());
}

RefAnimPFSource::~RefAnimPFSource() {
    // The base destructor counts one reference only: the tests go here.
    DropRefsUnlessDeleted();
}

RefTargetHandle RefAnimPFSource::GetReference(int i) {
    if (i >= 1 && i <= static_cast<int>(tests_.size())) return tests_[static_cast<size_t>(i - 1)];
    return RefAnim::GetReference(i);
}

void RefAnimPFSource::SetReference(int i, RefTargetHandle rtarg) {
    if (i < 1) return RefAnim::SetReference(i, rtarg);
    if (static_cast<size_t>(i) > tests_.size()) tests_.resize(static_cast<size_t>(i), nullptr);
    tests_[static_cast<size_t>(i - 1)] = rtarg;
}

BOOL RefAnimPFSource::IsRealDependency(ReferenceTarget* rtarg) {
    // Neither the flow nor its tests: a merge makes them anew, and the tables carry the user's changes.
    (void)rtarg;
    return FALSE;
}

INode* RefAnimPFSource::HeadNode() const {
    ReferenceTarget* anim = GetAnim();
    if (!anim) return nullptr;
    DependentIterator it(anim);
    while (ReferenceMaker* m = it.Next())
        if (auto* node = dynamic_cast<INode*>(m); node && GetPFObject(node->GetObjectRef()) == anim) return node;
    return nullptr;
}

void RefAnimPFSource::ReadFlow(std::vector<Record>& actions, std::vector<Record>& connections) const {
    actions.clear();
    connections.clear();
    auto* obj = dynamic_cast<Object*>(GetAnim());
    if (!obj) return;
    if (mode_ == 1) {
        if (INode* next = GetPFNextEvent(obj)) connections.push_back({headName_, PFNodeName(next), 0});
        return;
    }
    IPFActionList* list = GetPFActionListInterface(obj);
    for (int i = 0; list && i < list->NumActions(); ++i) {
        INode* action = list->GetAction(i);
        actions.push_back({headName_, PFNodeName(action), list->IsActionActive(i) ? 1 : 0});
        if (!IPFActionList::IsTest(action)) continue;
        if (INode* next = GetPFNextEvent(GetPFObject(action->GetObjectRef())))
            connections.push_back({PFNodeName(action), PFNodeName(next), 0});
    }
}

void RefAnimPFSource::Compare(bool undoable) {
    std::vector<Record> nowActions, nowConnections;
    ReadFlow(nowActions, nowConnections);

    ActionTables a;
    a.monitored = actions_.monitored;
    std::unordered_map<std::wstring, std::int32_t> merged;
    for (const Record& m : actions_.monitored) merged.emplace(m.second.str(), m.value);
    for (size_t i = 0; i < nowActions.size(); ++i) {
        const Record& r = nowActions[i];
        const auto it = merged.find(r.second.str());
        if (it == merged.end()) a.added.push_back({r.first, r.second, static_cast<std::int32_t>(i)});
        else if (it->second != r.value) a.toggled.push_back(r);
    }
    const auto running = Keys(nowActions, false);
    for (const Record& m : actions_.monitored)
        if (!running.contains(m.second.str())) a.removed.push_back({m.first, m.second, 0});

    ConnectionTables c;
    c.monitored = connections_.monitored;
    const auto now = Keys(nowConnections, true);
    const auto was = Keys(connections_.monitored, true);
    for (const Record& r : nowConnections)
        if (!was.contains(r.first.str() + L'\n' + r.second.str())) c.added.push_back(r);
    // A test the event no longer runs takes its connection with it.
    for (const Record& r : connections_.monitored)
        if (!now.contains(r.first.str() + L'\n' + r.second.str()) && (mode_ == 1 || running.contains(r.first.str())))
            c.deleted.push_back(r);

    const bool holding = undoable && theHold.Holding();
    if (!(a == actions_)) {
        if (holding) theHold.Put(new PFActionsRestore(&actions_, this));
        actions_ = std::move(a);
    }
    if (!(c == connections_)) {
        if (holding) theHold.Put(new PFConnectionsRestore(&connections_, this));
        connections_ = std::move(c);
    }
    const bool changed = !actions_.toggled.empty() || !actions_.added.empty() || !actions_.removed.empty() ||
                         !connections_.added.empty() || !connections_.deleted.empty();
    if (changed != IsOverridden(REFANIM_TOGGLED)) SetOverriddenFlag(REFANIM_TOGGLED, changed, undoable);
}

void RefAnimPFSource::HearTests() {
    std::vector<ReferenceTarget*> tests;
    IPFActionList* list = mode_ == 0 ? GetPFActionListInterface(GetAnim()) : nullptr;
    for (int i = 0; list && i < list->NumActions(); ++i)
        if (INode* action = list->GetAction(i); IPFActionList::IsTest(action))
            tests.push_back(GetPFObject(action->GetObjectRef()));
    // The slots exist before they are set: a reference past NumRefs is refused.
    const size_t n = std::max(tests.size(), tests_.size());
    tests_.resize(n, nullptr);
    for (size_t i = 0; i < n; ++i)
        ReplaceReference(static_cast<int>(i + 1), i < tests.size() ? tests[i] : nullptr);
    tests_.resize(tests.size());
}

RefResult RefAnimPFSource::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                            BOOL) {
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing() || message != REFMSG_CHANGE ||
        !hTarget)
        return REF_STOP;
    if (hTarget != GetAnim() && std::find(tests_.begin(), tests_.end(), hTarget) == tests_.end()) return REF_STOP;
    Compare(true);
    if (hTarget == GetAnim()) HearTests();
    return REF_STOP;
}

RefResult RefAnimPFSource::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    headName_ = PFNodeName(HeadNode());
    ReadFlow(actions_.monitored, connections_.monitored);
    HearTests();
    return res;
}

void RefAnimPFSource::CollectLocDep(DWORD /*stamp*/) {
    if (GetAnim()) Compare(false);
}

void RefAnimPFSource::ReleaseHeldRefs() {
    for (size_t i = 0; i < tests_.size(); ++i) ReplaceReference(static_cast<int>(i + 1), nullptr);
    tests_.clear();
}

void RefAnimPFSource::Override(Animatable* root) {
    PathResolution r;
    if (!GetAnimByPath(root, r) || !r.anim) return;
    auto* fresh = dynamic_cast<Object*>(static_cast<Animatable*>(r.anim));
    const bool fits = fresh && (mode_ == 1 ? fresh->ClassID() == PF_SOURCE_CLASS_ID && CanLeadToPFEvent(fresh)
                                           : GetPFActionListInterface(fresh) != nullptr);
    if (!fits) return;
    if (fresh != GetAnim()) {
        SetAnim(fresh);
        Apply();
        // A removed test is heard no more.
        if (!actions_.removed.empty()) HearTests();
        // Connections may lead to events that other records bind in the same load: they go on at its end.
        if (!connections_.added.empty() || !connections_.deleted.empty()) RegisterWithHelper();
    }
    SetPathByNumber(r.newNumbers);
}

void RefAnimPFSource::Apply() {
    IPFActionList* list = mode_ == 0 ? GetPFActionListInterface(GetAnim()) : nullptr;
    if (!list) return;
    // By the names in the fresh list: the nodes the load replaces still carry the same names.
    const auto removed = Keys(actions_.removed, false);
    for (int i = list->NumActions() - 1; i >= 0 && !removed.empty(); --i)
        if (removed.contains(PFNodeName(list->GetAction(i)).str())) list->RemoveAction(i);
    std::unordered_map<std::wstring, int> at;
    for (int i = 0; i < list->NumActions(); ++i) at.emplace(PFNodeName(list->GetAction(i)).str(), i);
    for (const Record& t : actions_.toggled)
        if (const auto it = at.find(t.second.str()); it != at.end()) list->ActivateAction(it->second, t.value != 0);
    for (const Record& added : actions_.added)
        if (INode* node = PFNodeNamed(added.second); node && list->FindAction(node) < 0)
            list->InsertAction(node, added.value);
}

void RefAnimPFSource::FinishOverride() {
    for (const Record& d : connections_.deleted) {
        Object* from = FlowObjectNamed(d.first);
        if (from && PFNodeName(GetPFNextEvent(from)) == d.second) SetPFNextEvent(from, nullptr);
    }
    for (const Record& added : connections_.added)
        if (Object* from = FlowObjectNamed(added.first)) SetPFNextEvent(from, PFNodeNamed(added.second));
    HearTests();
}

RefTargetHandle RefAnimPFSource::Clone(RemapDir& remap) {
    auto* copy = new RefAnimPFSource(FALSE, mode_);
    copy->headName_ = headName_;
    copy->actions_ = actions_;
    copy->connections_ = connections_;
    BaseClone(this, copy, remap);
    return copy;
}

IOResult RefAnimPFSource::Save(ISave* isave) {
    const std::int32_t counts[6] = {static_cast<std::int32_t>(actions_.monitored.size()),
                                    static_cast<std::int32_t>(actions_.toggled.size()),
                                    static_cast<std::int32_t>(actions_.added.size()),
                                    static_cast<std::int32_t>(connections_.monitored.size()),
                                    static_cast<std::int32_t>(connections_.added.size()),
                                    static_cast<std::int32_t>(connections_.deleted.size())};
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kModeChunk, static_cast<std::int32_t>(mode_));
    if (res == IO_OK) res = WriteValueChunk(isave, kTestCountChunk, static_cast<std::int32_t>(tests_.size()));
    if (res == IO_OK) res = WriteStringChunk(isave, kHeadNameChunk, headName_);
    if (res == IO_OK) res = WriteValueChunk(isave, kCountsChunk, counts);
    if (res == IO_OK) res = SaveRecords(isave, kMonitoredActionsChunk, actions_.monitored);
    if (res == IO_OK) res = SaveRecords(isave, kToggledActionsChunk, actions_.toggled);
    if (res == IO_OK) res = SaveRecords(isave, kAddedActionsChunk, actions_.added);
    if (res == IO_OK) res = SaveRecords(isave, kMonitoredConnectionsChunk, connections_.monitored);
    if (res == IO_OK) res = SaveRecords(isave, kAddedConnectionsChunk, connections_.added);
    if (res == IO_OK) res = SaveRecords(isave, kDeletedConnectionsChunk, connections_.deleted);
    if (res == IO_OK && !actions_.removed.empty()) {
        res = WriteValueChunk(isave, kRemovedCountChunk, static_cast<std::int32_t>(actions_.removed.size()));
        if (res == IO_OK) res = SaveRecords(isave, kRemovedActionsChunk, actions_.removed);
    }
    return res;
}

IOResult RefAnimPFSource::Load(ILoad* iload) {
    std::int32_t counts[6] = {0, 0, 0, 0, 0, 0};
    std::int32_t removed = 0;
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kModeChunk: {
            std::int32_t mode = 1;
            const IOResult res = ReadValues(iload, mode);
            mode_ = mode == 0 ? 0 : 1;
            return res;
        }
        case kTestCountChunk: {
            std::int32_t n = 0;
            const IOResult res = ReadCount(iload, n, 4096);
            if (res == IO_OK) tests_.assign(static_cast<size_t>(std::max(n, 0)), nullptr);
            return res;
        }
        case kHeadNameChunk: return iload->ReadWStringChunk(headName_);
        case kCountsChunk: return ReadValues(iload, counts);
        case kMonitoredActionsChunk: return LoadRecords(iload, id, actions_.monitored, counts[0]);
        case kToggledActionsChunk: return LoadRecords(iload, id, actions_.toggled, counts[1]);
        case kAddedActionsChunk: return LoadRecords(iload, id, actions_.added, counts[2]);
        case kMonitoredConnectionsChunk: return LoadRecords(iload, id, connections_.monitored, counts[3]);
        case kAddedConnectionsChunk: return LoadRecords(iload, id, connections_.added, counts[4]);
        case kDeletedConnectionsChunk: return LoadRecords(iload, id, connections_.deleted, counts[5]);
        case kRemovedCountChunk: return ReadValues(iload, removed);
        case kRemovedActionsChunk: return LoadRecords(iload, id, actions_.removed, removed, kRemovedCountChunk);
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimPFSource::Describe() {
    WStr out = RefAnim::Describe();
    out += L"\nMonitored Actions: ";
    for (const Record& m : actions_.monitored)
        out += m.first + L"/" + m.second + (m.value ? L" Active, " : L" Not Active, ");
    out += L"\nToggled Actions: ";
    for (const Record& t : actions_.toggled) out += t.first + L"/" + t.second + (t.value ? L": Active, " : L": Not Active, ");
    DescribeRecords(out, L"\nRemoved Actions: ", actions_.removed, L"/");
    out += L"\nAdded Actions: ";
    for (const Record& a : actions_.added)
        out += PFNodeNamed(a.second) ? a.first + L"/" + a.second + WStr::Format(L" (%d), ", a.value) : WStr(L"No Action Ref, ");
    DescribeRecords(out, L"\nMonitored Connections: ", connections_.monitored, L" -> ");
    out += L"\nAdded Connections: ";
    for (const Record& c : connections_.added)
        out += PFNodeNamed(c.second) ? c.first + L" -> " + c.second + L", " : WStr(L"No Connection Ref, ");
    DescribeRecords(out, L"\nDeleted Connections: ", connections_.deleted, L" -> ");
    return out;
}
