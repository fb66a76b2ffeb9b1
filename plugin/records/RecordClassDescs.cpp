// The record and holder class descriptors.
#include "plugin/records/RecordClassDescs.h"

#include "host/core/FPInterface.h"
#include "host/core/PlugApi.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/frame/StringTable.h"
#include "plugin/records/RefHolder.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"

#include <memory>

namespace {

struct Descriptors {
    OstrivansClassDesc refBase{IDS_REFBASE, L"RefBase", REFBASE_SUPER_CLASS_ID, REFBASE_CLASS_ID,
                               &CreateWithLoadingFlag<RefBase>};
    OstrivansClassDesc refNode{IDS_REFNODE, L"RefNode", REFBASE_SUPER_CLASS_ID, REFNODE_CLASS_ID,
                               &CreateWithLoadingFlag<RefNode>};
    OstrivansClassDesc refMaterial{IDS_REFMATERIAL, L"RefMaterial", REFBASE_SUPER_CLASS_ID,
                                   REFMATERIAL_CLASS_ID, &CreateWithLoadingFlag<RefMaterial>};
    OstrivansClassDesc refHolder{IDS_REFHOLDER, L"RefHolder", GEOMOBJECT_CLASS_ID, REFHOLDER_CLASS_ID,
                                 &CreateWithLoadingFlag<RefHolder>};
    // Declared after the descriptors, so destroyed before them: a description detaches itself from its
    // descriptor when it goes.
    std::unique_ptr<FPInterfaceDesc> refHolderInterface{MakeRefHolderInterfaceDesc(&refHolder)};
};

Descriptors& TheDescriptors() {
    static Descriptors descriptors;
    return descriptors;
}

} // namespace

OstrivansClassDesc* GetRefBaseClassDesc() {
    return &TheDescriptors().refBase;
}
OstrivansClassDesc* GetRefNodeClassDesc() {
    return &TheDescriptors().refNode;
}
OstrivansClassDesc* GetRefMaterialClassDesc() {
    return &TheDescriptors().refMaterial;
}
OstrivansClassDesc* GetRefHolderClassDesc() {
    return &TheDescriptors().refHolder;
}
FPInterfaceDesc* GetRefHolderInterfaceDesc() {
    return TheDescriptors().refHolderInterface.get();
}
