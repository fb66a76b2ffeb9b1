// The "RefNode" interface.
#include "plugin/records/RefNodeInterface.h"

#include "host/core/ClassDesc.h"
#include "host/core/ReferenceTarget.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/records/RecordClassDescs.h"

#include <memory>

namespace {

std::unique_ptr<FPInterfaceDesc> Publish() {
    using I = RefNodeInterface;
    return std::make_unique<FPInterfaceDesc>(
        REFNODE_INTERFACE_ID, L"RefNode", 0, GetRefNodeClassDesc(), FP_MIXIN,
        std::initializer_list<FPFunctionDef>{
            FPFunctionDef(I::kNumRefAnims, L"NumRefAnims", TYPE_INT),
            FPFunctionDef(I::kGetRefAnim, L"GetRefAnim", TYPE_REFTARG, {FPParamDef(L"Index", TYPE_INDEX)}),
            FPFunctionDef(I::kGetName, L"GetName", TYPE_STRING),
            FPFunctionDef(I::kSetName, L"SetName", TYPE_VOID, {FPParamDef(L"Name", TYPE_STRING)}),
        });
}

} // namespace

FPInterfaceDesc* GetRefNodeInterfaceDesc() {
    // Made after the descriptor (it asks for it), so destroyed before it.
    static const std::unique_ptr<FPInterfaceDesc> published = Publish();
    return published.get();
}

FPInterfaceDesc* RefNodeInterface::GetDesc() {
    return GetRefNodeInterfaceDesc();
}

FPStatus RefNodeInterface::_dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) {
    switch (fid) {
    case kNumRefAnims:
        result.Load(TYPE_INT, NumRefAnims());
        return FPS_OK;
    case kGetRefAnim:
        result.Load(TYPE_REFTARG, GetRefAnim(FPArg(p, 0).GetIndex()));
        return FPS_OK;
    case kGetName:
        result = FPValue(TYPE_STRING, GetName());
        return FPS_OK;
    case kSetName:
        SetName(FPArg(p, 0).GetStr());
        result = FPValue();
        return FPS_OK;
    default:
        return FPS_NO_SUCH_FUNCTION;
    }
}
