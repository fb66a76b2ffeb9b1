// Node event callbacks: registered callbacks hear about node changes (groups, controllers, ...) as they
// happen.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/Tab.h"

class INode;
using NodeKey = ULONG_PTR;
using NodeKeyTab = Tab<NodeKey>;
using CallbackKey = ULONG;

class INodeEventCallback {
public:
    virtual ~INodeEventCallback() = default;
    virtual void GroupChanged(NodeKeyTab& /*nodes*/) {}
    virtual void ControllerStructured(NodeKeyTab& /*nodes*/) {}
    virtual void ControllerOtherEvent(NodeKeyTab& /*nodes*/) {}
    virtual void NameChanged(NodeKeyTab& /*nodes*/) {}
    virtual void LinkChanged(NodeKeyTab& /*nodes*/) {}
    virtual void Added(NodeKeyTab& /*nodes*/) {}
    virtual void Deleted(NodeKeyTab& /*nodes*/) {}
};

class ISceneEventManager {
public:
    virtual ~ISceneEventManager() = default;
    // Events are delivered at once, in registration order; a callback may unregister itself while
    // being called.
    virtual CallbackKey RegisterCallback(INodeEventCallback* cb, BOOL polling = FALSE, DWORD delayMilliseconds = 0,
                                         BOOL allEvents = FALSE) = 0;
    virtual void UnRegisterCallback(CallbackKey key) = 0;
};

namespace NodeEventNamespace {
NodeKey GetKeyByNode(INode* node);
// Null once the node is gone.
INode* GetNodeByKey(NodeKey key);
} // namespace NodeEventNamespace
