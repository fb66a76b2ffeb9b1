// Whether a helper is nested in another reference's content.
#include "host/scene/INode.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefBase.h"

bool OstrivansHelper::IsNested() {
    INode* node = GetHelperNode();
    return node && RefBase::FromItem(node) != nullptr;
}
