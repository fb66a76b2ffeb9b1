// The record of one merged node.
#pragma once

#include "plugin/records/RefBase.h"

constexpr Class_ID REFNODE_CLASS_ID(0x8663dfa6, 0x3f273884);

// For now the record base's layout: the node as reference 0, then the mirrors. The node-level overrides
// and their references come after the mirrors.
class RefNode : public RefBase {
public:
    explicit RefNode(BOOL loading = FALSE);

    Class_ID ClassID() override { return REFNODE_CLASS_ID; }
    const MCHAR* GetRecordName() const override;

    // ---- What the helper's notification handlers pass to the record. Until the node-level overrides
    // exist, each reports that it is not available and changes nothing.
    // The mirrored node was renamed by the user.
    void NodeRenamed(const MCHAR* newName);
    // The named selection set at index (its position in the scene's list) may hold the node: the record
    // notes it. Called for each set before a batch and for a set that was created, deleted or renamed.
    void RecordSelectionSet(int index);
};
