// The scene event manager: node event callbacks and the calls the scene makes to deliver events.
#pragma once

#include "host/scene/ISceneEventManager.h"

#include <map>

class SceneEventManager : public ISceneEventManager {
public:
    enum class Event { Group, ControllerStructured, ControllerOther, Name, Link, Added, Deleted };

    CallbackKey RegisterCallback(INodeEventCallback* cb, BOOL polling = FALSE, DWORD delayMilliseconds = 0,
                                 BOOL allEvents = FALSE) override;
    void UnRegisterCallback(CallbackKey key) override;

    // Delivers one event about one node to every callback, in registration order.
    void Fire(Event e, INode* node);
    int NumCallbacks() const { return static_cast<int>(callbacks_.size()); }
    void Reset() { callbacks_.clear(); }

private:
    std::map<CallbackKey, INodeEventCallback*> callbacks_;
    CallbackKey next_ = 1;
};

// The application's scene event manager.
SceneEventManager& TheSceneEventManager();
