// The scene save cycle: before the host writes the scene the referenced content leaves the written tree,
// after the write everything is put back exactly.
#include "plugin/helper/SceneSaveCycle.h"

#include "host/core/HoldSuspend.h"
#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/PerformanceTimer.h"
#include "host/scene/Control.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "plugin/anims/TargetLock.h"
#include "plugin/frame/PlaceholderIds.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/ReferenceErrorReport.h"
#include "plugin/helper/ReferenceUnload.h"
#include "plugin/records/RefHolder.h"
#include "plugin/records/RefNode.h"
#include "plugin/settings/OstrivansSettings.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

constexpr const MCHAR* kHolderNodeName = L"OVHN";

// A node away from its parent for the save.
struct Link {
    INode* child;
    INode* parent;
    INode* parking;
};

// The parts of a node that shows placeholders for the save; the holder keeps them alive meanwhile.
struct Held {
    INode* node;
    Matrix3 tm;
    Control* controller = nullptr;
    Object* object = nullptr;
    Mtl* material = nullptr;
};

// A scene node whose dependents wait on a placeholder node for the save.
struct Stand {
    INode* node;
    INode* placeholder = nullptr;
};

// Lives from pre-save to post-save. Each table is emptied by the step that consumes it, so a cycle that
// fails half-way never replays old entries in the next one.
struct Cycle {
    std::vector<Link> links;
    std::vector<Held> held;
    std::vector<Stand> stands;
    AnimHandle holderNode = 0;
    bool parked = false; // the external-scene entry exists
    bool saveAsMerged = false;
    MSTR fileName;
    std::vector<AnimHandle> selection;
    bool timing = false;
    double collectTime = 0.0;
    MaxSDK::PerformanceTools::Timer timer;
    StepMarks marks;
};

Cycle& C() {
    static Cycle cycle;
    return cycle;
}

HelperModuleState& S() {
    return GetHelperModuleState();
}

INode* Root() {
    return GetCOREInterface()->GetRootNode();
}

INode* TopAncestor(INode* node) {
    while (INode* parent = node->GetParentNode()) node = parent;
    return node;
}

bool ShowsPlaceholder(INode* node) {
    Control* tm = node->GetTMController();
    if (tm && tm->ClassID() == EMPTY_CONTROLLER_CLASS_ID) return true;
    Object* obj = node->GetObjectRef();
    if (!obj) return false;
    const Class_ID cid = obj->ClassID();
    return cid == EMPTY_BASE_OBJECT_CLASS_ID || cid == EMPTY_SHAPE_CLASS_ID;
}

// What becomes of a referenced node of a helper that does not persist its content.
enum class Fate { Parked, Held, Stand, Kept };

Fate FateOf(RefNode* rec, INode* node) {
    const DWORD flags = rec->GetOverrideFlags();
    if (!(flags & REFNODE_LOCAL_DEPENDENCY)) return Fate::Parked;
    // A node whose controller cannot take a placeholder one leaves the scene too, and a new placeholder
    // node takes over its dependents.
    if (!ReferenceUnload::ControllerStaysInPlace(node)) return Fate::Stand;
    return flags & REFNODE_KEEP_MODIFIER_STACK ? Fate::Kept : Fate::Held;
}

// Whether node stays in the written tree: a scene node, a node of a persisted reference, or a referenced
// node something outside depends on that keeps its place.
bool StaysInScene(INode* node) {
    if (!node || node->IsRootNode()) return true;
    RefNode* rec = FindRefNodeOf(node);
    if (!rec) return true;
    IRecordHelper* helper = rec->GetHelper();
    if (!helper || helper->PersistsReferences()) return true;
    const Fate fate = FateOf(rec, node);
    return fate == Fate::Held || fate == Fate::Kept;
}

// ---- pre-save

// Helpers whose node is gone or hangs outside the scene (kept for undo, parked elsewhere) take no part.
void CleanRegistry() {
    std::vector<OstrivansHelper*>& registry = S().registry;
    INode* root = Root();
    for (size_t i = registry.size(); i-- > 0;) {
        INode* node = registry[i]->GetHelperNode();
        if (!node || TopAncestor(node) != root) registry.erase(registry.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

bool DecideSaveAsMerged(const MSTR& fileName) {
    if (S().saveRefsAsMerged) return true;
    return MergeForNetworkRenderSetting() && IsNetworkRenderJobFile(fileName.c_str());
}

// The render-time files are the ones written (or, after the save, the viewport ones come back).
void SwapForRender(bool rendering) {
    const bool was = S().rendering;
    S().rendering = rendering;
    RunRenderSwaps();
    S().rendering = was;
}

INode* CreateParking() {
    Interface* ip = GetCOREInterface();
    INode* root = Root();
    if (!root->AddNewXRefFile(GetString(IDS_XREF_SCENE_FILE), TRUE, TRUE))
        throw MAXException(L"the scene root refused the external-scene entry \"OVTXR\"");
    Cycle& c = C();
    c.parked = true;
    INode* parking = root->GetXRefTree(root->GetXRefFileCount() - 1);
    if (!parking) throw MAXException(L"the external-scene entry \"OVTXR\" has no tree");
    INode* holderNode = ip->CreateObjectNode(new RefHolder(FALSE));
    holderNode->SetName(kHolderNodeName);
    c.holderNode = Animatable::GetHandleByAnim(holderNode);
    parking->AttachChild(holderNode, FALSE);
    return parking;
}

RefHolder* Holder() {
    auto* node = dynamic_cast<INode*>(Animatable::GetAnimByHandle(C().holderNode));
    return node ? dynamic_cast<RefHolder*>(node->GetObjectRef()) : nullptr;
}

// Sorts the nodes of every helper that does not persist its content into the tables.
void SortReferencedNodes(INode* parking) {
    Cycle& c = C();
    INode* root = Root();
    const TimeValue t = GetCOREInterface()->GetTime();
    for (OstrivansHelper* helper : S().registry) {
        if (helper->PersistsReferences()) continue;
        for (int i = 0; i < helper->NumRefNodes(); ++i) {
            RefNode* rec = helper->GetRefNode(i);
            INode* node = rec ? rec->GetNode() : nullptr;
            INode* parent = node ? node->GetParentNode() : nullptr;
            if (!parent) continue;
            // The user's own nodes linked under the node stay in the file, under the root meanwhile.
            if (rec->GetOverrideFlags() & REFNODE_OVERRIDE_CHILDREN)
                for (int k = 0; k < rec->NumChildren(); ++k)
                    if (INode* child = rec->GetChild(k); child && child->GetParentNode() == node)
                        c.links.push_back({child, node, root});
            // A node whose parent leaves goes with it; one whose parent stays leaves on its own.
            const bool parentStays = StaysInScene(parent);
            switch (FateOf(rec, node)) {
            case Fate::Parked:
                if (parentStays) c.links.push_back({node, parent, parking});
                break;
            case Fate::Stand:
                c.stands.push_back({node});
                if (parentStays) c.links.push_back({node, parent, parking});
                break;
            case Fate::Held:
            case Fate::Kept: {
                // It stays in the file: under the root when its parent leaves, where its placeholder holds
                // the world transform; under its parent otherwise, relative to it.
                const Matrix3 world = node->GetNodeTM(t);
                Matrix3 tm = world;
                if (!parentStays)
                    c.links.push_back({node, parent, root});
                else if (!parent->IsRootNode())
                    tm = world * Inverse(parent->GetNodeTM(t));
                if (FateOf(rec, node) == Fate::Held) c.held.push_back({node, tm});
                break;
            }
            }
        }
    }
}

// With the content merged, the placeholders of unloaded content leave the written nodes.
void SortPlaceholders() {
    Cycle& c = C();
    const TimeValue t = GetCOREInterface()->GetTime();
    std::vector<INode*> stack{Root()};
    while (!stack.empty()) {
        INode* node = stack.back();
        stack.pop_back();
        for (int i = 0; i < node->NumberOfChildren(); ++i) stack.push_back(node->GetChildNode(i));
        if (node->IsRootNode() || !ShowsPlaceholder(node)) continue;
        c.held.push_back({node, node->GetNodeTM(t)});
        c.links.push_back({node, node->GetParentNode(), node->GetParentNode()});
    }
}

void HoldNodes() {
    Cycle& c = C();
    if (c.held.empty()) return;
    RefHolder* holder = Holder();
    if (!holder) throw MAXException(L"the holder node \"OVHN\" is gone");
    holder->SetNumRefs(static_cast<int>(c.held.size()) * 3);
    for (size_t i = 0; i < c.held.size(); ++i) {
        Held& h = c.held[i];
        h.controller = h.node->GetTMController();
        h.object = h.node->GetObjectRef();
        h.material = h.node->GetMtl();
        const int at = static_cast<int>(i) * 3;
        holder->ReplaceReference(at, h.controller);
        holder->ReplaceReference(at + 1, h.object);
        holder->ReplaceReference(at + 2, h.material);
        ReferenceUnload::MakePlaceholderInPlace(h.node, h.tm);
    }
}

void StandInForNodes() {
    const TimeValue t = GetCOREInterface()->GetTime();
    for (Stand& s : C().stands) s.placeholder = ReferenceUnload::ReplaceByPlaceholderNode(s.node, s.node->GetNodeTM(t));
}

void AttachLinks(bool back) {
    for (const Link& l : C().links) {
        INode* to = back ? l.parent : l.parking;
        if (l.child->GetParentNode() != to) to->AttachChild(l.child, FALSE);
    }
}

void PreSaveSteps(Cycle& c) {
    Interface* ip = GetCOREInterface();
    ip->Services().SetCursor(HostCursor::Wait);
    CleanRegistry();
    c.marks.Mark(IDS_STEP_PRESAVE_CLEANED);
    c.saveAsMerged = DecideSaveAsMerged(c.fileName);
    if (c.saveAsMerged) SwapForRender(true);
    SetCurrentOperation(OperationCode::PreSave);
    c.links.clear();
    c.held.clear();
    c.stands.clear();
    c.selection.clear();
    INodeTab selected;
    ip->GetSelNodeTab(selected);
    for (int i = 0; i < selected.Count(); ++i) c.selection.push_back(Animatable::GetHandleByAnim(selected[i]));
    INode* parking = CreateParking();
    if (!c.saveAsMerged) {
        NoteSelectionSets();
        MaxSDK::PerformanceTools::Timer collect;
        if (c.timing) collect.StartTimer();
        for (OstrivansHelper* helper : S().registry) ReferenceUnload::CollectHelper(helper);
        if (c.timing) c.collectTime = collect.EndTimer();
        c.marks.Mark(IDS_STEP_PRESAVE_REMEMBERED);
        SortReferencedNodes(parking);
    } else {
        SortPlaceholders();
    }
    c.marks.Mark(IDS_STEP_LINKING);
    HoldNodes();
    c.marks.Mark(IDS_STEP_LOCDEP_COLLECT);
    StandInForNodes();
    c.marks.Mark(IDS_STEP_LIGHTING_2);
    AttachLinks(false);
}

// ---- post-save

void GiveBackHeldParts() {
    for (const Held& h : C().held) {
        h.node->DisableRefMsgs();
        try {
            if (h.controller) h.node->SetTMController(h.controller);
            h.node->SetObjectRef(h.object);
            h.node->SetMtl(h.material);
        } catch (...) {
            h.node->EnableRefMsgs();
            throw;
        }
        h.node->EnableRefMsgs();
    }
    C().held.clear();
}

void GiveBackDependents() {
    Interface* ip = GetCOREInterface();
    std::vector<Stand> stands;
    stands.swap(C().stands);
    for (const Stand& s : stands) {
        if (!s.placeholder) continue;
        {
            TargetLock lock(s.placeholder);
            s.node->TransferReferences(s.placeholder, FALSE);
        }
        ip->DeleteNode(s.placeholder, FALSE);
    }
}

void RemoveParking() {
    Cycle& c = C();
    Interface* ip = GetCOREInterface();
    if (auto* node = dynamic_cast<INode*>(Animatable::GetAnimByHandle(c.holderNode))) ip->DeleteNode(node, FALSE);
    c.holderNode = 0;
    if (!c.parked) return;
    c.parked = false;
    INode* root = Root();
    const MSTR name = GetString(IDS_XREF_SCENE_FILE);
    const int count = root->GetXRefFileCount();
    if (count > 0 && root->GetXRefFile(count - 1) == name) {
        root->DeleteXRefFile(count - 1);
        return;
    }
    for (int i = 0; i < count; ++i)
        if (root->GetXRefFile(i) == name) {
            root->DeleteXRefFile(i);
            return;
        }
}

void Reselect() {
    Interface* ip = GetCOREInterface();
    for (AnimHandle h : C().selection)
        if (auto* node = dynamic_cast<INode*>(Animatable::GetAnimByHandle(h)); node && !node->Selected())
            ip->SelectNode(node, 0);
    C().selection.clear();
}

void PostSaveSteps(Cycle& c) {
    GiveBackHeldParts();
    c.marks.Mark(IDS_STEP_LIGHTING_RESTORE);
    GiveBackDependents();
    c.marks.Mark(IDS_STEP_LIGHTING_RESTORE_2);
    {
        Interface* ip = GetCOREInterface();
        const BOOL quiet = ip->GetQuietMode(FALSE);
        ip->SetQuietMode(TRUE);
        try {
            AttachLinks(true);
        } catch (...) {
            ip->SetQuietMode(quiet);
            throw;
        }
        ip->SetQuietMode(quiet);
        c.links.clear();
    }
    c.marks.Mark(IDS_STEP_LINKING_RESTORE);
    if (!c.saveAsMerged)
        for (OstrivansHelper* helper : S().registry)
            for (int i = 0; i < helper->NumRefNodes(); ++i)
                if (RefNode* rec = helper->GetRefNode(i)) rec->FinishUpdate();
    c.marks.Mark(IDS_STEP_RESTORE);
    RemoveParking();
}

void Report(const MCHAR* head, const MSTR* detail) {
    ShowReferenceError(C().marks.FailureText(head, detail));
}

// Runs steps; a failure is reported under the head ("Unknown " in front for what is not the host's).
template <class F> bool Guarded(const MCHAR* head, F steps) {
    try {
        steps();
        return true;
    } catch (const MAXException& e) {
        Report((MSTR(L"Error ") + head).c_str(), &e.Message());
    } catch (const std::exception& e) {
        const MSTR text = WStr::FromUTF8(e.what());
        Report((MSTR(L"Unknown Error ") + head).c_str(), &text);
    } catch (...) {
        Report((MSTR(L"Unknown Error ") + head).c_str(), nullptr);
    }
    return false;
}

} // namespace

void SceneSaveCycle::PreSave(const MCHAR* fileName) {
    if (GetCurrentOperation() == OperationCode::SaveAs) return;
    Cycle& c = C();
    c.timing = PrintTimesSetting() != 0;
    if (c.timing) c.timer.StartTimer();
    c.fileName = fileName ? fileName : L"";
    c.marks = StepMarks();
    c.collectTime = 0.0;
    if (S().registry.empty()) {
        SetCurrentOperation(OperationCode::PreSaveCollect);
        return;
    }
    // The cycle's own edits are no user steps: nothing of them goes into an open hold.
    HoldSuspend suspended;
    const OperationCode saved = GetCurrentOperation();
    if (!Guarded(L"Saving Scene in PreSave", [&c] { PreSaveSteps(c); })) {
        // The write goes on; post-save puts back whatever the steps did.
        SetCurrentOperation(saved);
        GetCOREInterface()->Services().SetCursor(HostCursor::Arrow);
        return;
    }
    if (c.timing) {
        mprintf(L"\nOV Collect Time: %f\nOV PreSave Time: %f", c.collectTime, c.timer.EndTimer());
        mflush();
        c.timer.StartTimer();
    }
    SetCurrentOperation(OperationCode::PreSaveCollect);
}

void SceneSaveCycle::PostSave() {
    if (GetCurrentOperation() == OperationCode::SaveAs) return;
    Cycle& c = C();
    if (c.timing) {
        mprintf(L"\nOV Save Time: %f", c.timer.EndTimer());
        c.timer.StartTimer();
    }
    const bool anythingAway = c.parked || !c.links.empty() || !c.held.empty() || !c.stands.empty();
    if (!anythingAway && !c.saveAsMerged) {
        SetCurrentOperation(OperationCode::None);
        return;
    }
    Interface* ip = GetCOREInterface();
    ip->Services().SetCursor(HostCursor::Wait);
    HoldSuspend suspended;
    SetCurrentOperation(OperationCode::PostSave);
    c.marks = StepMarks();
    Guarded(L"Saving Reference in PostSave", [&c] { PostSaveSteps(c); });
    ip->SetSaveRequiredFlag(FALSE);
    if (c.timing) {
        mprintf(L"\nOV PostSave Time: %f\n", c.timer.EndTimer());
        mflush();
    }
    SetCurrentOperation(OperationCode::None);
    if (c.saveAsMerged) {
        c.saveAsMerged = false;
        SwapForRender(false);
    }
    Reselect();
    ip->Services().SetCursor(HostCursor::Arrow);
}

std::string SceneSaveCycle::Dump() {
    const Cycle& c = C();
    std::ostringstream os;
    os << "links " << c.links.size() << "\nheld " << c.held.size() << "\nplaceholders " << c.stands.size()
       << "\nholder " << (c.holderNode ? "OVHN" : "none") << "\nparked " << (c.parked ? "yes" : "no")
       << "\nmerged " << (c.saveAsMerged ? "yes" : "no") << "\n";
    return os.str();
}
