// What a record asks of the helper that owns it: the helper's options the records follow, and the calls
// its mirrors pass on to it.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

class INode;
class RefAnim;
class RefNode;

class IRecordHelper {
public:
    // The helper keeps its records' items alive in every operation (its "persist reference" option).
    virtual bool PersistsReferences() const = 0;
    // The helper node's name when the helper prefixes merged names with it; empty otherwise.
    virtual MSTR GetRecordNamePrefix() = 0;
    // The stamp that marks the local-dependency flags of the helper's current pass.
    virtual DWORD GetStamp() const = 0;
    // Lets mirror finish its override once every record of the load is bound.
    virtual void RegisterChangedMirror(RefAnim* mirror) = 0;
    // Merged nodes of this name are no longer deleted again (undoable); whether the name was listed.
    virtual bool ForgetNodeToDelete(const WStr& name) = 0;
    // A node record's Save begins: the helper may ask for the memory of the records it expects next.
    virtual void RecordSaving(const RefNode* /*record*/) {}
    // The node whose object the helper is; null when it has none.
    virtual INode* GetHelperNode() = 0;
    // The helper came into the scene with the content of another reference.
    virtual bool IsNested() { return false; }

protected:
    ~IRecordHelper() = default;
};
