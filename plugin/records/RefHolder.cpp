// The reference holder and its "RefHolder" interface.
#include "plugin/records/RefHolder.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/RemapDir.h"

#include "plugin/records/RecordClassDescs.h"
#include <cstdint>
#include <cstdio>

// Undo of a size change. Put after the references beyond the new size were released, so undo grows
// the table back before the releases are undone into it, and redo shrinks it after they are redone.
class RefHolderSizeRestore : public RestoreObj {
public:
    RefHolderSizeRestore(RefHolder* holder, size_t before, size_t after)
        : handle_(Animatable::GetHandleByAnim(holder)), before_(before), after_(after) {}
    void Restore(int) override { Resize(before_); }
    void Redo() override { Resize(after_); }
    MSTR Description() override { return L"RefHolder size"; }

private:
    void Resize(size_t n) {
        if (auto* holder = dynamic_cast<RefHolder*>(Animatable::GetAnimByHandle(handle_)))
            holder->refs_.resize(n, nullptr);
    }
    AnimHandle handle_;
    size_t before_;
    size_t after_;
};

// ---- RefHolderInterface

FPInterfaceDesc* MakeRefHolderInterfaceDesc(ClassDesc* cd) {
    return new FPInterfaceDesc(REFHOLDER_INTERFACE_ID, L"RefHolder", 0, cd, FP_MIXIN,
                               {FPFunctionDef(RefHolderInterface::kSetNumRefs, L"SetNumRefs", TYPE_VOID,
                                              {FPParamDef(L"NumRefs", TYPE_INT)})});
}

FPInterfaceDesc* RefHolderInterface::GetDesc() {
    return GetRefHolderInterfaceDesc();
}

FPStatus RefHolderInterface::_dispatch_fn(FunctionID fid, TimeValue, FPValue&, FPParams* p) {
    switch (fid) {
    case kSetNumRefs:
        SetNumRefs(FPArg(p, 0).GetInt());
        return FPS_OK;
    default:
        return FPS_NO_SUCH_FUNCTION;
    }
}

// ---- RefHolder

RefHolder::RefHolder(BOOL) {}

RefHolder::~RefHolder() {
    DeleteAllRefs();
}

void RefHolder::GetClassName(MSTR& s, bool) const {
    s = L"RefHolder";
}

RefTargetHandle RefHolder::GetReference(int i) {
    return i >= 0 && i < NumRefs() ? refs_[static_cast<size_t>(i)] : nullptr;
}

void RefHolder::SetReference(int i, RefTargetHandle rtarg) {
    if (i >= 0 && i < NumRefs()) refs_[static_cast<size_t>(i)] = rtarg;
}

void RefHolder::SetNumRefs(int n) {
    if (n < 0) n = 0;
    const size_t before = refs_.size();
    const size_t after = static_cast<size_t>(n);
    if (after == before) return;
    // Release what goes away through the host, so the targets' dependent lists stay true.
    for (size_t i = before; i > after; --i)
        if (refs_[i - 1]) DeleteReference(static_cast<int>(i - 1));
    refs_.resize(after, nullptr);
    if (theHold.Holding()) theHold.Put(new RefHolderSizeRestore(this, before, after));
}

RefTargetHandle RefHolder::Clone(RemapDir& remap) {
    auto* copy = new RefHolder(FALSE);
    copy->refs_.resize(refs_.size(), nullptr);
    for (size_t i = 0; i < refs_.size(); ++i)
        if (refs_[i]) copy->ReplaceReference(static_cast<int>(i), remap.CloneRef(refs_[i]));
    BaseClone(this, copy, remap);
    return copy;
}

IOResult RefHolder::Save(ISave* isave) {
    return WriteValueChunk(isave, kCountChunk, static_cast<std::uint32_t>(refs_.size()));
}

IOResult RefHolder::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) {
        if (id != kCountChunk) return IO_OK;
        // A damaged count must not make the load allocate without bound.
        std::uint32_t count = 0;
        const IOResult res = ReadCount(iload, count, kMaxLoadedRefs);
        // Loading fills an empty table: no references to release yet.
        if (res == IO_OK) refs_.assign(count, nullptr);
        return res;
    });
}

BaseInterface* RefHolder::GetInterface(Interface_ID id) {
    if (id == REFHOLDER_INTERFACE_ID) return static_cast<RefHolderInterface*>(this);
    if (BaseInterface* bi = GeomObject::GetInterface(id)) return bi;
    // The mixin's own answers (the mixin and function-publishing ids).
    return RefHolderInterface::FPMixinInterface::GetInterface(id);
}

std::string RefHolder::Dump() {
    std::string s = "RefHolder " + std::to_string(refs_.size()) + " refs";
    for (size_t i = 0; i < refs_.size(); ++i) {
        s += i == 0 ? ": " : ", ";
        s += "[" + std::to_string(i) + "] ";
        if (!refs_[i]) {
            s += "null";
            continue;
        }
        MSTR name;
        refs_[i]->GetClassName(name);
        char sc[16];
        std::snprintf(sc, sizeof sc, " (0x%x)", static_cast<unsigned>(refs_[i]->SuperClassID()));
        s += name.ToUTF8() + sc;
    }
    return s;
}
