// The "RefBase" interface scripts read a record's mirror table with.
#pragma once

#include "host/core/FPInterface.h"

class ReferenceTarget;

constexpr Interface_ID REFBASE_INTERFACE_ID(0x9663dfa6, 0x4f273883);

// Indices are 0-based here and in scripts (the argument is a plain integer, not an index).
class RefBaseInterface : public FPMixinInterface {
public:
    enum : FunctionID {
        kNumRefAnims = 0,
        kGetRefAnim = 1,
    };

    // Entries of the mirror table, empty ones included.
    virtual int NumRefAnims() = 0;
    // The mirror at index; null (undefined in scripts) out of range or for an empty entry.
    virtual ReferenceTarget* GetRefAnim(int index) = 0;

    FPInterfaceDesc* GetDesc() override;

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) override;
};

// The description in use, attached to the descriptors of the three record classes. Made on first use.
FPInterfaceDesc* GetRefBaseInterfaceDesc();
