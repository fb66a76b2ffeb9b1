// The "RefAnim" interface scripts read and edit a mirror's path with.
#pragma once

#include "host/core/FPInterface.h"

class ClassDesc;

constexpr Interface_ID REFANIM_INTERFACE_ID(0x9663dfa6, 0x4f273894);

// Index arguments are 0-based here and 1-based in scripts. Reads out of range answer "" or -1; writes
// out of range do nothing.
class RefAnimInterface : public FPMixinInterface {
public:
    enum : FunctionID {
        kGetPathSize = 0,
        kSetPathSize = 1,
        kGetPathItem = 2,
        kSetPathItem = 3,
        kGetPathByNumberItem = 4,
        kSetPathByNumberItem = 5,
    };

    virtual int GetPathSize() = 0;
    // Resizes both tables: new names empty, new numbers 0; a negative size does nothing.
    virtual void SetPathSize(int size) = 0;
    virtual MSTR GetPathItem(int index) = 0;
    virtual void SetPathItem(int index, const MCHAR* name) = 0;
    virtual int GetPathByNumberItem(int index) = 0;
    virtual void SetPathByNumberItem(int index, int number) = 0;

    FPInterfaceDesc* GetDesc() override;

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) override;
};

// The description in use, attached to the descriptor of every mirror class the module registers, so that
// scripts find the functions on a mirror of any kind. Made on first use.
FPInterfaceDesc* GetRefAnimInterfaceDesc();
