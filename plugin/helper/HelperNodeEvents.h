// One helper's node-event callback with the host's scene event manager.
#pragma once

#include "host/scene/ISceneEventManager.h"

class OstrivansHelper;

// A group change reaches the records as REFMSG_OSTRIVANS_GROUP_CHANGED. Each helper forwards only for
// the nodes its own records mirror, so a node hears of its group change once however many helpers
// listen.
class HelperNodeEvents : public INodeEventCallback {
public:
    explicit HelperNodeEvents(OstrivansHelper* helper) : helper_(helper) {}
    void GroupChanged(NodeKeyTab& nodes) override;

private:
    OstrivansHelper* helper_;
};
