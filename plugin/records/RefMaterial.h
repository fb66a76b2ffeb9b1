// The record of one merged material.
#pragma once

#include "plugin/records/RefBase.h"

constexpr Class_ID REFMATERIAL_CLASS_ID(0x8663dfa6, 0x3f273885);

// References as the record base: the material as reference 0, then the mirrors.
class RefMaterial : public RefBase {
public:
    explicit RefMaterial(BOOL loading = FALSE);

    Class_ID ClassID() override { return REFMATERIAL_CLASS_ID; }
    const MCHAR* GetRecordName() const override;
};
