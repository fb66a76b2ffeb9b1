// The "OstrivansHelper" interface: its description and its dispatcher.
#include "plugin/helper/OstrivansHelperInterface.h"

#include "host/core/ReferenceTarget.h"
#include "plugin/helper/OstrivansHelperClassDesc.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"

FPInterfaceDesc* MakeOstrivansHelperInterfaceDesc(ClassDesc* cd) {
    using I = OstrivansHelperInterface;
    return new FPInterfaceDesc(
        OSTRIVANS_HELPER_INTERFACE_ID, L"OstrivansHelper", 0, cd, FP_MIXIN,
        {FPFunctionDef(I::kReload, L"Reload", TYPE_INT), FPFunctionDef(I::kUnload, L"Unload", TYPE_INT),
         FPFunctionDef(I::kMerge, L"Merge", TYPE_INT), FPFunctionDef(I::kDismiss, L"Dismiss", TYPE_INT),
         FPFunctionDef(I::kReset, L"Reset", TYPE_INT), FPFunctionDef(I::kOverwrite, L"Overwrite", TYPE_INT),
         FPFunctionDef(I::kSaveAs, L"SaveAs", TYPE_INT, {FPParamDef(L"fileName", TYPE_STRING)}),
         FPFunctionDef(I::kPrintData, L"PrintData", TYPE_VOID,
                       {FPParamDef::KeyArg(L"mode", TYPE_INDEX, FPValue(TYPE_INDEX, 0))}),
         FPFunctionDef(I::kNumRefNodes, L"NumRefNodes", TYPE_INT),
         FPFunctionDef(I::kGetRefNode, L"GetRefNode", TYPE_REFTARG, {FPParamDef(L"index", TYPE_INDEX)}),
         FPFunctionDef(I::kNumRefMaterials, L"NumRefMaterials", TYPE_INT),
         FPFunctionDef(I::kGetRefMaterial, L"GetRefMaterial", TYPE_REFTARG,
                       {FPParamDef(L"index", TYPE_INDEX)}),
         FPFunctionDef(I::kGetNodes, L"GetNodes", TYPE_INODE_TAB),
         FPFunctionDef(I::kShowDupNames, L"ShowDupNames", TYPE_VOID)});
}

FPInterfaceDesc* OstrivansHelperInterface::GetDesc() {
    return GetOstrivansHelperClassDesc().HelperInterface();
}

FPStatus OstrivansHelperInterface::_dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) {
    switch (fid) {
    case kReload:
        result = FPValue(TYPE_INT, Reload());
        return FPS_OK;
    case kUnload:
        result = FPValue(TYPE_INT, Unload());
        return FPS_OK;
    case kMerge:
        result = FPValue(TYPE_INT, Merge());
        return FPS_OK;
    case kDismiss:
        result = FPValue(TYPE_INT, Dismiss());
        return FPS_OK;
    case kReset:
        result = FPValue(TYPE_INT, Reset());
        return FPS_OK;
    case kPrintData:
        PrintData(FPArg(p, 0).GetIndex());
        result = FPValue();
        return FPS_OK;
    case kNumRefNodes:
        result = FPValue(TYPE_INT, NumRefNodes());
        return FPS_OK;
    case kGetRefNode:
        result = FPValue(TYPE_REFTARG, static_cast<ReferenceTarget*>(GetRefNode(FPArg(p, 0).GetIndex())));
        return FPS_OK;
    case kNumRefMaterials:
        result = FPValue(TYPE_INT, NumRefMaterials());
        return FPS_OK;
    case kGetRefMaterial:
        result = FPValue(TYPE_REFTARG, static_cast<ReferenceTarget*>(GetRefMaterial(FPArg(p, 0).GetIndex())));
        return FPS_OK;
    case kGetNodes:
        result = FPValue(TYPE_INODE_TAB, GetNodes());
        return FPS_OK;
    case kShowDupNames:
        ShowDupNames();
        result = FPValue();
        return FPS_OK;
    case kOverwrite:
        result = FPValue(TYPE_INT, Overwrite());
        return FPS_OK;
    case kSaveAs:
        result = FPValue(TYPE_INT, SaveAs(FPArg(p, 0).GetStr()));
        return FPS_OK;
    default:
        return FPS_NO_SUCH_FUNCTION;
    }
}
