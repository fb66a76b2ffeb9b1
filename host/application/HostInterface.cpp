// The application object of the host stand-in.
#include "host/application/HostInterface.h"

#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/Notify.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/ILayer.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Mtl.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/Object.h"
#include "host/scene/SceneEventManager.h"
#include "host/scene/controllers/ControllerClasses.h"
#include "host/scene/nodes/Node.h"
#include "host/scene/objects/ObjectClasses.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

namespace {

Node* AsNode(INode* n) { return dynamic_cast<Node*>(n); }

// A selection change as an undo record: undo and redo put the node back in (or take it out of) its place.
class SelectRestore : public RestoreObj {
public:
    SelectRestore(HostInterface* ip, Node* n, bool selected, std::int64_t key)
        : ip_(ip), node_(Animatable::GetHandleByAnim(n)), selected_(selected), key_(key) {}
    void Restore(int) override { Apply(!selected_); }
    void Redo() override { Apply(selected_); }
    MSTR Description() override { return L"Select"; }
    std::function<void(Node*, bool, std::int64_t)> apply;

private:
    void Apply(bool on) {
        if (auto* n = dynamic_cast<Node*>(Animatable::GetAnimByHandle(node_))) apply(n, on, key_);
    }
    HostInterface* ip_;
    AnimHandle node_;
    bool selected_;
    std::int64_t key_;
};

} // namespace

HostInterface::HostInterface() : services_(std::make_unique<HostServices>()) {
    // The families' classes, so scene files and scripts can create every class the host knows.
    RegisterParamBlockClasses();
    RegisterControllerClasses();
    RegisterObjectClasses();
    RegisterMaterialClasses();
    RegisterLayerClasses();
    RegisterCustAttribClasses();
    RegisterNodeClasses();
    root_ = new Node(true, false);
    mtlLib_ = NewMtlBaseLib();
    // The application holds its material library for its whole life: a plug-in that references the library
    // for a while and lets go of it must not free it.
    mtlLib_->SetAFlag(A_LOCK_TARGET);
    layers_ = NewLayerManager();
    selSets_ = NewNamedSelectionSetManager();
    mtlSlots_ = new MtlEditorSlots();
}

HostInterface::~HostInterface() = default;

INode* HostInterface::GetRootNode() { return root_; }

// ---- Nodes -----------------------------------------------------------------------------------------

INode* HostInterface::CreateObjectNode(Object* obj) {
    auto* n = new Node();
    // Recorded while holding, so undoing the creation also takes the node off its layer.
    n->ReplaceReference(NODE_REF_TM, NewDefaultMatrix3Controller());
    if (obj) n->ReplaceReference(NODE_REF_OBJ, obj);
    if (ILayer* layer = layers_ ? layers_->GetCurrentLayer() : nullptr) n->ReplaceReference(NODE_REF_LAYER, layer);
    root_->AttachChild(n, FALSE);
    BroadcastNotification(NOTIFY_NODE_CREATED, static_cast<INode*>(n));
    BroadcastNotification(NOTIFY_SCENE_ADDED_NODE, static_cast<INode*>(n));
    TheSceneEventManager().Fire(SceneEventManager::Event::Added, n);
    return n;
}

void HostInterface::DeleteOne(Node* node, bool keepChildTM) {
    INode* asINode = node;
    BroadcastNotification(NOTIFY_SCENE_PRE_DELETED_NODE, asINode);
    // The children stay in the scene, under the deleted node's parent.
    Node* parent = static_cast<Node*>(node->GetParentNode());
    if (!parent) parent = root_;
    std::vector<ULONG> children;
    for (Node* c : node->Children()) children.push_back(c->GetHandle());
    for (ULONG h : children)
        if (Node* c = Node::FindByHandle(h); c && c->GetParentNode() == node) parent->AttachChild(c, keepChildTM ? 1 : 0);
    if (node->Selected()) SetSelected(node, false);
    if (static_cast<INode*>(node) == GetCurEditObject()) curEdit_ = 0;
    TheSceneEventManager().Fire(SceneEventManager::Event::Deleted, node);
    // Out of the hierarchy (recorded, so undo puts it back in its place), then deleted: what nothing
    // else holds goes with it.
    node->DetachFromScene();
    node->DeleteMe();
    BroadcastNotification(NOTIFY_SCENE_POST_DELETED_NODE, asINode);
    saveRequired_ = TRUE;
}

void HostInterface::DeleteNode(INode* node, BOOL, BOOL) {
    Node* n = AsNode(node);
    if (!n || n->IsRootNode() || n->TestAFlag(A_IS_DELETED)) return;
    DeleteOne(n, true);
}

unsigned int HostInterface::DeleteNodes(INodeTab& nodes, bool keepChildTM, bool, bool) {
    // By handle: a node of the list may be gone before its turn (deleted by a handler of an earlier one).
    // A node listed twice goes at its first place: each node is marked as it is listed, so a second place
    // is known by the mark, and the marks are cleared before anything runs that could see them.
    std::vector<AnimHandle> handles;
    handles.reserve(static_cast<size_t>(nodes.Count()));
    for (int i = 0; i < nodes.Count(); ++i) {
        INode* n = nodes[i];
        if (!n || n->TestAFlag(A_LOOP_VISITED)) continue;
        n->SetAFlag(A_LOOP_VISITED);
        handles.push_back(Animatable::GetHandleByAnim(n));
    }
    for (int i = 0; i < nodes.Count(); ++i)
        if (nodes[i]) nodes[i]->ClearAFlag(A_LOOP_VISITED);
    unsigned int count = 0;
    for (AnimHandle h : handles) {
        auto* n = dynamic_cast<Node*>(Animatable::GetAnimByHandle(h));
        if (!n || n->IsRootNode() || n->TestAFlag(A_IS_DELETED)) continue;
        DeleteOne(n, keepChildTM);
        ++count;
    }
    return count;
}

MSTR HostInterface::MakeNameUnique(const MSTR& name) { return Node::MakeNameUnique(name); }

bool HostInterface::CloneNodes(INodeTab& nodes, const Point3& offset, bool expandHierarchies, CloneType cloneType,
                               INodeTab* resultSource, INodeTab* resultTarget) {
    std::vector<Node*> sources;
    std::unordered_set<Node*> seen;
    std::vector<Node*> stack;
    for (int i = 0; i < nodes.Count(); ++i) {
        Node* n = AsNode(nodes[i]);
        if (!n || n->IsRootNode() || !seen.insert(n).second) continue;
        sources.push_back(n);
    }
    if (expandHierarchies) {
        // Descendants follow in depth-first order after the listed nodes.
        const size_t listed = sources.size();
        for (size_t i = 0; i < listed; ++i) {
            stack.assign(1, sources[i]);
            while (!stack.empty()) {
                Node* cur = stack.back();
                stack.pop_back();
                for (int c = cur->NumberOfChildren() - 1; c >= 0; --c) {
                    Node* child = AsNode(cur->GetChildNode(c));
                    if (seen.insert(child).second) {
                        sources.push_back(child);
                        stack.push_back(child);
                    }
                }
            }
        }
    }
    if (sources.empty()) return false;
    RemapDir* remap = NewRemapDir();
    const CloneType before = Node::GetCloneType();
    Node::SetCloneType(cloneType);
    std::vector<Node*> copies;
    for (Node* s : sources) copies.push_back(static_cast<Node*>(remap->CloneRef(s)));
    Node::SetCloneType(before);
    const TimeValue t = time_;
    const bool moved = !(offset == Point3());
    for (size_t i = 0; i < sources.size(); ++i) {
        Node* s = sources[i];
        Node* c = copies[i];
        if (!c) continue;
        Node* sp = static_cast<Node*>(s->GetParentNode());
        Node* cp = sp ? remap->FindMapping(sp) : nullptr;
        (cp ? cp : (sp ? sp : root_))->AttachChild(c, FALSE);
        if (moved && !cp) c->SetNodeTM(t, s->GetNodeTM(t) * TransMatrix(offset));
        c->SetName(MakeNameUnique(MSTR(s->GetName())).c_str());
    }
    remap->Backpatch();
    remap->DeleteThis();
    for (size_t i = 0; i < sources.size(); ++i) {
        if (!copies[i]) continue;
        if (resultSource) resultSource->Append(sources[i]);
        if (resultTarget) resultTarget->Append(copies[i]);
        BroadcastNotification(NOTIFY_SCENE_ADDED_NODE, static_cast<INode*>(copies[i]));
        TheSceneEventManager().Fire(SceneEventManager::Event::Added, copies[i]);
    }
    return true;
}

INode* HostInterface::GetINodeByName(const MCHAR* name) { return Node::FindInSceneByName(name); }

INode* HostInterface::GetINodeByHandle(ULONG handle) {
    Node* n = Node::FindByHandle(handle);
    return n && n->InScene() ? n : nullptr;
}

// ---- Selection -------------------------------------------------------------------------------------

void HostInterface::SetSelected(Node* n, bool on, std::int64_t key) {
    const bool was = selKey_.count(n) != 0;
    if (was == on) return;
    std::int64_t usedKey = key;
    if (on) {
        if (usedKey < 0) usedKey = nextSelKey_++;
        else if (usedKey >= nextSelKey_) nextSelKey_ = usedKey + 1;
        selection_[usedKey] = n;
        selKey_[n] = usedKey;
    } else {
        usedKey = selKey_[n];
        selection_.erase(usedKey);
        selKey_.erase(n);
    }
    n->SetSelectedFlag(on);
    selDirty_ = true;
    if (theHold.Holding()) {
        auto* rec = new SelectRestore(this, n, on, usedKey);
        rec->apply = [this](Node* node, bool sel, std::int64_t k) {
            SetSelected(node, sel, k);
            BroadcastNotification(NOTIFY_SELECTIONSET_CHANGED);
        };
        theHold.Put(rec);
    }
}

void HostInterface::SelectNode(INode* node, int clearSel) {
    if (clearSel) {
        while (!selection_.empty()) SetSelected(selection_.begin()->second, false);
    }
    if (Node* n = AsNode(node); n && n->InScene() && !n->IsRootNode()) SetSelected(n, true);
    BroadcastNotification(NOTIFY_SELECTIONSET_CHANGED);
}

void HostInterface::DeSelectNode(INode* node) {
    if (Node* n = AsNode(node)) SetSelected(n, false);
    BroadcastNotification(NOTIFY_SELECTIONSET_CHANGED);
}

void HostInterface::SelectNodeTab(INodeTab& nodes, BOOL sel, BOOL) {
    for (int i = 0; i < nodes.Count(); ++i)
        if (Node* n = AsNode(nodes[i]); n && !n->IsRootNode() && (!sel || n->InScene())) SetSelected(n, sel != FALSE);
    BroadcastNotification(NOTIFY_SELECTIONSET_CHANGED);
}

void HostInterface::ClearNodeSelection(BOOL) {
    while (!selection_.empty()) SetSelected(selection_.begin()->second, false);
    BroadcastNotification(NOTIFY_SELECTIONSET_CHANGED);
}

INode* HostInterface::GetSelNode(int i) {
    if (i < 0 || i >= GetSelNodeCount()) return nullptr;
    if (selDirty_) {
        selCache_.clear();
        for (auto& [k, n] : selection_) selCache_.push_back(n);
        selDirty_ = false;
    }
    return selCache_[static_cast<size_t>(i)];
}

void HostInterface::GetSelNodeTab(INodeTab& selectedNodes) {
    selectedNodes.ZeroCount();
    for (auto& [k, n] : selection_) selectedNodes.Append(n);
}

// ---- Time, modes, settings, prompts --------------------------------------------------------------

void HostInterface::SetTime(TimeValue t, BOOL) { time_ = t; }

namespace {
constexpr int kDefaultFrameRate = 30;
int g_frameRate = kDefaultFrameRate;
} // namespace

int GetFrameRate() { return g_frameRate; }
void SetFrameRate(int rate) { g_frameRate = std::clamp(rate, 1, TIME_TICKSPERSEC); }
int GetTicksPerFrame() { return TIME_TICKSPERSEC / g_frameRate; }

void HostInterface::SetAnimRange(Interval range) {
    if (range.Start() < range.End()) animRange_ = range;
}

BOOL HostInterface::GetQuietMode(BOOL checkServerMode) { return quiet_ || (checkServerMode && netServer_); }

ReferenceTarget* HostInterface::GetCurEditObject() {
    return dynamic_cast<ReferenceTarget*>(Animatable::GetAnimByHandle(curEdit_));
}
void HostInterface::SetCurEditObject(ReferenceTarget* obj) { curEdit_ = obj ? Animatable::GetHandleByAnim(obj) : 0; }

int HostInterface::GetSystemSetting(int id) {
    if (id == SYSSET_CLEAR_UNDO) {
        theHold.ClearUndoBuffer();
        return 1;
    }
    return 0;
}

void HostInterface::RedrawViews(TimeValue) {
    ++redraws_;
    const std::vector<RedrawViewsCallback*> now = redrawCallbacks_;
    for (RedrawViewsCallback* cb : now)
        if (std::find(redrawCallbacks_.begin(), redrawCallbacks_.end(), cb) != redrawCallbacks_.end()) cb->proc(this);
}

void HostInterface::RegisterRedrawViewsCallback(RedrawViewsCallback* cb) {
    if (cb && std::find(redrawCallbacks_.begin(), redrawCallbacks_.end(), cb) == redrawCallbacks_.end())
        redrawCallbacks_.push_back(cb);
}

void HostInterface::UnRegisterRedrawViewsCallback(RedrawViewsCallback* cb) {
    std::erase(redrawCallbacks_, cb);
}

void HostInterface::PushPrompt(const MCHAR* s) { prompts_.emplace_back(s ? s : L""); }
void HostInterface::PopPrompt() {
    if (!prompts_.empty()) prompts_.pop_back();
}
void HostInterface::DisplayTempPrompt(const MCHAR* s, int msec) {
    tempPrompt_ = s ? s : L"";
    tempPromptMsec_ = msec;
}
MSTR HostInterface::GetPromptText() {
    if (!tempPrompt_.isNull()) return tempPrompt_;
    return prompts_.empty() ? MSTR() : prompts_.back();
}

// ---- Content managers -----------------------------------------------------------------------------

ISceneEventManager* HostInterface::GetISceneEventManager() { return &TheSceneEventManager(); }

MtlBase* HostInterface::GetMtlSlot(int slot) { return mtlSlots_->Get(slot); }
void HostInterface::PutMtlToMtlEditor(MtlBase* mb, int slot) { mtlSlots_->Put(mb, slot); }
void HostInterface::ActivateTexture(MtlBase* tx, Mtl* mtl, int) {
    if (mtl) mtl->SetActiveTexmap(tx);
}
void HostInterface::DeactivateTexture(MtlBase* tx, Mtl* mtl, int) {
    if (mtl && mtl->GetActiveTexmap() == tx) mtl->SetActiveTexmap(nullptr);
}

int HostInterface::Render() {
    BroadcastNotification(NOTIFY_PRE_RENDER);
    BroadcastNotification(NOTIFY_POST_RENDER);
    return 1;
}

MSTR HostInterface::GetCurFileName() {
    const int slash = std::max(curFile_.last(L'/'), curFile_.last(L'\\'));
    return slash < 0 ? curFile_ : curFile_.Substr(slash + 1, curFile_.Length() - slash - 1);
}

void HostInterface::SetServices(std::unique_ptr<HostServices> services) {
    if (services) services_ = std::move(services);
}

MSTR HostInterface::GetDir(int which) {
    std::error_code ec;
    if (which == APP_MAXROOT_DIR) {
        auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (!ec) return MSTR(exe.parent_path().wstring());
        return MSTR(std::filesystem::current_path(ec).wstring());
    }
    if (which == APP_TEMP_DIR) {
        auto tmp = std::filesystem::temp_directory_path(ec);
        return ec ? MSTR(L"/tmp") : MSTR(tmp.wstring());
    }
    if (which == APP_NETWORK_DIR) return GetDir(APP_TEMP_DIR) + L"/network";
    return MSTR();
}

// ---- Reset ------------------------------------------------------------------------------------------

void HostInterface::DeleteSilently(Node* n) {
    const std::vector<Node*> children = n->Children();
    for (auto c = children.rbegin(); c != children.rend(); ++c) DeleteSilently(*c);
    n->DetachFromScene();
    n->DeleteMe();
}

void HostInterface::ClearScene(const std::unordered_set<const Node*>* spare) {
    // Records of the old scene refer to content about to go: drop them first (and keep none meanwhile).
    theHold.ClearUndoBuffer();
    {
        const HoldSuspend quiet;
        selection_.clear();
        for (auto& [n, k] : selKey_) n->SetSelectedFlag(false);
        selKey_.clear();
        selDirty_ = true;
        while (root_->GetXRefFileCount() > 0) {
            Node* tree = static_cast<Node*>(root_->GetXRefTree(0));
            if (tree)
                for (Node* c : tree->Children()) DeleteSilently(c);
            root_->DeleteXRefFile(0);
        }
        for (Node* c : root_->Children()) DeleteSilently(c);
        // Nodes outside any tree (an undone creation leaves one) go as well, except those a file read made.
        for (Node* n : Node::AllNodes())
            if (n != root_ && !n->IsXRefRoot() && !n->GetParentNode() && !n->TestAFlag(A_IS_DELETED) &&
                !(spare && spare->count(n)))
                n->DeleteMe();
        root_->ResetProperties();
        root_->ClearAllAppData();
        root_->SetName(L"");
        if (layers_) layers_->Reset();
        if (selSets_) selSets_->Reset();
        if (mtlLib_) mtlLib_->Empty();
        mtlSlots_->FillDefaults();
        time_ = 0;
        animate_ = FALSE;
        g_frameRate = kDefaultFrameRate;
        animRange_ = Interval(0, 100 * GetTicksPerFrame());
        curEdit_ = 0;
        saveRequired_ = FALSE;
        curFile_ = MSTR();
    }
    theHold.ClearUndoBuffer();
}

void HostInterface::ResetSceneContent() {
    ClearScene(nullptr);
    quiet_ = FALSE;
    netServer_ = FALSE;
    taskMode_ = TASK_MODE_CREATE;
    prompts_.clear();
    tempPrompt_ = MSTR();
    tempPromptMsec_ = 0;
    fileError_ = MSTR();
    mergeCallbacks_.clear();
    services_ = std::make_unique<HostServices>();
}

HostInterface* GetHostInterface() {
    static HostInterface* ip = new HostInterface();
    return ip;
}

Interface* GetCOREInterface() { return GetHostInterface(); }

void ResetSceneContent() { GetHostInterface()->ResetSceneContent(); }
