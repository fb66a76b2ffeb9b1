// The "RefNode" interface scripts read and rename a node record with.
#pragma once

#include "host/core/FPInterface.h"

class ReferenceTarget;

constexpr Interface_ID REFNODE_INTERFACE_ID(0x9663dfa6, 0x4f273884);

class RefNodeInterface : public FPMixinInterface {
public:
    enum : FunctionID {
        kNumRefAnims = 0,
        kGetRefAnim = 1,
        kGetName = 2,
        kSetName = 3,
    };

    // Entries of the mirror table, empty ones included.
    virtual int NumRefAnims() = 0;
    // The mirror at index (0-based here, 1-based in scripts); null out of range or for an empty entry.
    virtual ReferenceTarget* GetRefAnim(int index) = 0;
    // The referenced name: the node's name in its file.
    virtual MSTR GetName() = 0;
    virtual void SetName(const MCHAR* name) = 0;

    FPInterfaceDesc* GetDesc() override;

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) override;
};

// The description in use, attached to the node record's descriptor. Made on first use.
FPInterfaceDesc* GetRefNodeInterfaceDesc();
