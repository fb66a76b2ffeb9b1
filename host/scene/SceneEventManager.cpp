// Node event callbacks, delivered at once in registration order.
#include "host/scene/SceneEventManager.h"

#include "host/scene/INode.h"

#include <vector>

CallbackKey SceneEventManager::RegisterCallback(INodeEventCallback* cb, BOOL, DWORD, BOOL) {
    if (!cb) return 0;
    const CallbackKey key = next_++;
    callbacks_[key] = cb;
    return key;
}

void SceneEventManager::UnRegisterCallback(CallbackKey key) { callbacks_.erase(key); }

void SceneEventManager::Fire(Event e, INode* node) {
    if (callbacks_.empty() || !node) return;
    // A callback may unregister itself (or others) while it runs: walk a copy of the keys and skip
    // the ones gone meanwhile.
    std::vector<CallbackKey> keys;
    keys.reserve(callbacks_.size());
    for (const auto& [k, cb] : callbacks_) keys.push_back(k);
    for (CallbackKey k : keys) {
        auto it = callbacks_.find(k);
        if (it == callbacks_.end()) continue;
        NodeKeyTab tab;
        tab.Append(NodeEventNamespace::GetKeyByNode(node));
        INodeEventCallback* cb = it->second;
        switch (e) {
        case Event::Group: cb->GroupChanged(tab); break;
        case Event::ControllerStructured: cb->ControllerStructured(tab); break;
        case Event::ControllerOther: cb->ControllerOtherEvent(tab); break;
        case Event::Name: cb->NameChanged(tab); break;
        case Event::Link: cb->LinkChanged(tab); break;
        case Event::Added: cb->Added(tab); break;
        case Event::Deleted: cb->Deleted(tab); break;
        }
    }
}

SceneEventManager& TheSceneEventManager() {
    static SceneEventManager* mgr = new SceneEventManager();
    return *mgr;
}

namespace NodeEventNamespace {
NodeKey GetKeyByNode(INode* node) { return node ? static_cast<NodeKey>(Animatable::GetHandleByAnim(node)) : 0; }
INode* GetNodeByKey(NodeKey key) {
    Animatable* a = Animatable::GetAnimByHandle(static_cast<AnimHandle>(key));
    if (!a || a->TestAFlag(A_IS_DELETED)) return nullptr;
    return dynamic_cast<INode*>(a);
}
} // namespace NodeEventNamespace
