// The "RefBase" interface.
#include "plugin/records/RefBaseInterface.h"

#include "host/core/ClassDesc.h"
#include "host/core/ReferenceTarget.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/frame/SharedMixinDesc.h"
#include "plugin/records/RecordClassDescs.h"

#include <memory>
#include <vector>

namespace {

// The base record's descriptor has the description by construction; the node and material records get it
// too.
std::unique_ptr<SharedMixinDesc> Publish() {
    ClassDesc* base = GetRefBaseClassDesc();
    auto desc = std::make_unique<FPInterfaceDesc>(
        REFBASE_INTERFACE_ID, L"RefBase", 0, base, FP_MIXIN,
        std::initializer_list<FPFunctionDef>{
            FPFunctionDef(RefBaseInterface::kNumRefAnims, L"NumRefAnims", TYPE_INT),
            FPFunctionDef(RefBaseInterface::kGetRefAnim, L"GetRefAnim", TYPE_REFTARG,
                          {FPParamDef(L"index", TYPE_INT)}),
        });
    std::vector<ClassDesc*> alsoOn{GetRefNodeClassDesc(), GetRefMaterialClassDesc()};
    return std::make_unique<SharedMixinDesc>(std::move(desc), std::move(alsoOn));
}

} // namespace

FPInterfaceDesc* GetRefBaseInterfaceDesc() {
    // Made after the descriptors (it asks for them), so destroyed before them.
    static const std::unique_ptr<SharedMixinDesc> published = Publish();
    return published->Get();
}

FPInterfaceDesc* RefBaseInterface::GetDesc() {
    return GetRefBaseInterfaceDesc();
}

FPStatus RefBaseInterface::_dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) {
    switch (fid) {
    case kNumRefAnims:
        result.Load(TYPE_INT, NumRefAnims());
        return FPS_OK;
    case kGetRefAnim:
        result.Load(TYPE_REFTARG, GetRefAnim(FPArg(p, 0).GetInt()));
        return FPS_OK;
    default:
        return FPS_NO_SUCH_FUNCTION;
    }
}
