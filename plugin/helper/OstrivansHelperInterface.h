// The helper's published interface "OstrivansHelper": what scripts, the manager window and the rollup
// call on one reference.
#pragma once

#include "host/core/FPInterface.h"

class INode;
class RefNode;
class RefMaterial;

constexpr Interface_ID OSTRIVANS_HELPER_INTERFACE_ID(0x9663dfa5, 0x4f273879);

// Index arguments are 0-based here; scripts pass them 1-based.
class OstrivansHelperInterface : public FPMixinInterface {
public:
    enum : FunctionID {
        kReload = 0,
        kUnload = 1,
        kMerge = 2,
        kDismiss = 3,
        kReset = 4,
        kPrintData = 5,
        kNumRefNodes = 7,
        kGetRefNode = 8,
        kNumRefMaterials = 9,
        kGetRefMaterial = 10,
        kGetNodes = 11,
        kShowDupNames = 12,
        kOverwrite = 13,
        kSaveAs = 14,
    };

    // The reference operations answer 1 when they did their work.
    virtual int Reload() = 0;
    virtual int Unload() = 0;
    virtual int Merge() = 0;
    virtual int Dismiss() = 0;
    virtual int Reset() = 0;
    virtual int Overwrite() = 0;
    virtual int SaveAs(const MCHAR* fileName) = 0;
    virtual void PrintData(int mode) = 0;
    virtual void ShowDupNames() = 0;
    virtual int NumRefNodes() const = 0;
    // Null out of range.
    virtual RefNode* GetRefNode(int i) const = 0;
    virtual int NumRefMaterials() const = 0;
    virtual RefMaterial* GetRefMaterial(int i) const = 0;
    // The nodes the RefNodes mirror now, in record order (records without a node are left out).
    virtual Tab<INode*> GetNodes() = 0;

    FPInterfaceDesc* GetDesc() override;

protected:
    // Ids outside the table answer FPS_NO_SUCH_FUNCTION; a missing argument throws the host's
    // out-of-range exception from the argument list.
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) override;
};

// A new description of the interface, attached to cd; the helper's class descriptor makes and keeps the
// one in use.
FPInterfaceDesc* MakeOstrivansHelperInterfaceDesc(ClassDesc* cd);
