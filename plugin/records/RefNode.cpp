// The record of one merged node.
#include "plugin/records/RefNode.h"

#include "plugin/frame/StringTable.h"
#include "plugin/helper/OperationNotAvailable.h"

RefNode::RefNode(BOOL loading) : RefBase(loading) {}

const MCHAR* RefNode::GetRecordName() const {
    return GetString(IDS_REFNODE);
}

// ---- What the helper's notification handlers pass to the record.

void RefNode::NodeRenamed(const MCHAR* newName) {
    ReportOperationNotAvailable(L"RefNode name override", newName);
}

void RefNode::RecordSelectionSet(int index) {
    ReportOperationNotAvailable(L"RefNode selection set override", WStr::Format(L"set %d", index).c_str());
}
