// Custom attributes of classes defined at run time: one parameter block laid out by the definition.
#pragma once

#include "host/scene/CustAttrib.h"
#include "host/scene/IParamBlock2.h"

class CustAttribDefImpl;

// Reference and sub-animatable 0: the block, named after the definition.
class DefinedCustAttrib : public CustAttrib {
public:
    DefinedCustAttrib(CustAttribDefImpl* def, BOOL loading);
    ~DefinedCustAttrib() override;

    Class_ID ClassID() override;
    void GetClassName(MSTR& s, bool localized = true) const override;
    const MCHAR* GetName(bool localized = true) override;

    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? pblock_ : nullptr; }
    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override { return GetReference(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum == 0 ? 0 : -1; }
    int NumParamBlocks() override { return 1; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock_ : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override { return id == 0 ? pblock_ : nullptr; }

    RefTargetHandle Clone(RemapDir& remap) override;
    CustAttribDef* GetDefinition();

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    CustAttribDefImpl* def_;
    IParamBlock2* pblock_ = nullptr;
};
