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
    // A callback may unregister itself (or others) while it runs, or register new ones: the walk goes on
    // from the next key after the one just called, and stops at the keys given out since it began, so
    // the ones gone meanwhile are skipped and the new ones hear from the next event. Every event of a
    // node deletion passes here: the walk allocates nothing of its own.
    const CallbackKey end = next_;
    for (auto it = callbacks_.begin(); it != callbacks_.end() && it->first < end;) {
        const CallbackKey key = it->first;
        INodeEventCallback* cb = it->second;
        NodeKeyTab tab;
        tab.Append(NodeEventNamespace::GetKeyByNode(node));
        switch (e) {
        case Event::Group: cb->GroupChanged(tab); break;
        case Event::ControllerStructured: cb->ControllerStructured(tab); break;
        case Event::ControllerOther: cb->ControllerOtherEvent(tab); break;
        case Event::Name: cb->NameChanged(tab); break;
        case Event::Link: cb->LinkChanged(tab); break;
        case Event::Added: cb->Added(tab); break;
        case Event::Deleted: cb->Deleted(tab); break;
        }
        it = callbacks_.upper_bound(key);
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
