// The module's class descriptor.
#include "plugin/frame/OstrivansClassDesc.h"

#include "host/core/Animatable.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/frame/StringTable.h"

OstrivansClassDesc::OstrivansClassDesc(int nameId, const MCHAR* literalName, SClass_ID superClassId,
                                       Class_ID classId, CreateProc create)
    : nameId_(nameId), literalName_(literalName), superClassId_(superClassId), classId_(classId),
      create_(create) {}

void* OstrivansClassDesc::Create(BOOL loading) {
    Animatable* anim = create_ ? create_(loading) : nullptr;
    return anim;
}

const MCHAR* OstrivansClassDesc::ClassName() {
    const MCHAR* name = GetString(nameId_);
    return name ? name : literalName_;
}

const MCHAR* OstrivansClassDesc::Category() {
    return GetString(IDS_CATEGORY);
}

HINSTANCE OstrivansClassDesc::HInstance() {
    return GetModuleInstance();
}
