// The record of one merged node.
#include "plugin/records/RefNode.h"

#include "plugin/frame/StringTable.h"

RefNode::RefNode(BOOL loading) : RefBase(loading) {}

const MCHAR* RefNode::GetRecordName() const {
    return GetString(IDS_REFNODE);
}
