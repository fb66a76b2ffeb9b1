// A helper's node-event callback.
#include "plugin/helper/HelperNodeEvents.h"

#include "plugin/frame/ModuleState.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/helper/HelperNotifications.h"

void HelperNodeEvents::GroupChanged(NodeKeyTab& nodes) {
    if (IsSceneFileOpening()) return;
    for (int i = 0; i < nodes.Count(); ++i) {
        INode* node = NodeEventNamespace::GetNodeByKey(nodes[i]);
        if (node && FindRefNodeOf(node, helper_)) SendToNodeDependents(node, REFMSG_OSTRIVANS_GROUP_CHANGED);
    }
}
