// The "RefAnim" interface.
#include "plugin/anims/RefAnimInterface.h"

#include "host/core/ClassDesc.h"
#include "plugin/anims/MirrorClassDescs.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/frame/SharedMixinDesc.h"

#include <memory>
#include <span>
#include <vector>

namespace {

// The base mirror's descriptor has the description by construction; every other mirror kind gets it too.
std::unique_ptr<SharedMixinDesc> Publish() {
    const std::span<OstrivansClassDesc* const> mirrors = MirrorClassDescs();
    ClassDesc* base = mirrors.front();
    auto desc = std::make_unique<FPInterfaceDesc>(
        REFANIM_INTERFACE_ID, L"RefAnim", 0, base, FP_MIXIN,
        std::initializer_list<FPFunctionDef>{
            FPFunctionDef(RefAnimInterface::kGetPathSize, L"GetPathSize", TYPE_INT),
            FPFunctionDef(RefAnimInterface::kSetPathSize, L"SetPathSize", TYPE_VOID,
                          {FPParamDef(L"Size", TYPE_INT)}),
            FPFunctionDef(RefAnimInterface::kGetPathItem, L"GetPathItem", TYPE_STRING,
                          {FPParamDef(L"Index", TYPE_INDEX)}),
            FPFunctionDef(RefAnimInterface::kSetPathItem, L"SetPathItem", TYPE_VOID,
                          {FPParamDef(L"Index", TYPE_INDEX), FPParamDef(L"PathItem", TYPE_STRING)}),
            FPFunctionDef(RefAnimInterface::kGetPathByNumberItem, L"GetPathByNumberItem", TYPE_INT,
                          {FPParamDef(L"Index", TYPE_INDEX)}),
            FPFunctionDef(RefAnimInterface::kSetPathByNumberItem, L"SetPathByNumberItem", TYPE_VOID,
                          {FPParamDef(L"Index", TYPE_INDEX), FPParamDef(L"PathItem", TYPE_INT)}),
        });
    std::vector<ClassDesc*> alsoOn(mirrors.begin() + 1, mirrors.end());
    return std::make_unique<SharedMixinDesc>(std::move(desc), std::move(alsoOn));
}

} // namespace

FPInterfaceDesc* GetRefAnimInterfaceDesc() {
    // Made after the descriptors (it asks for them), so destroyed before them.
    static const std::unique_ptr<SharedMixinDesc> published = Publish();
    return published->Get();
}

FPInterfaceDesc* RefAnimInterface::GetDesc() {
    return GetRefAnimInterfaceDesc();
}

FPStatus RefAnimInterface::_dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) {
    switch (fid) {
    case kGetPathSize:
        result.Load(TYPE_INT, GetPathSize());
        return FPS_OK;
    case kSetPathSize:
        SetPathSize(FPArg(p, 0).GetInt());
        return FPS_OK;
    case kGetPathItem:
        result.Load(TYPE_STRING, GetPathItem(FPArg(p, 0).GetIndex()));
        return FPS_OK;
    case kSetPathItem: {
        const int index = FPArg(p, 0).GetIndex();
        const MCHAR* name = FPArg(p, 1).GetStr();
        SetPathItem(index, name ? name : L"");
        return FPS_OK;
    }
    case kGetPathByNumberItem:
        result.Load(TYPE_INT, GetPathByNumberItem(FPArg(p, 0).GetIndex()));
        return FPS_OK;
    case kSetPathByNumberItem: {
        const int index = FPArg(p, 0).GetIndex();
        SetPathByNumberItem(index, FPArg(p, 1).GetInt());
        return FPS_OK;
    }
    default:
        return FPS_NO_SUCH_FUNCTION;
    }
}
