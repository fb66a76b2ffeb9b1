// The holder and context every modifier mirror keeps for its changed modifier.
#include "plugin/anims/ModifierMirror.h"

#include "host/core/ChunkFields.h"
#include "host/core/Notify.h"
#include "host/core/RemapDir.h"
#include "host/scene/IDerivedObject.h"
#include "plugin/anims/RefAnimChunks.h"
#include "plugin/anims/RefAnimGlobals.h"
#include "plugin/anims/RefAnimRefKinds.h"
#include "plugin/frame/OperationCode.h"

template <class Base> ModifierMirror<Base>::~ModifierMirror() {
    UnhookPostSave();
    // The base destructors count only their own references: the holder goes here.
    this->DropRefsUnlessDeleted();
}

template <class Base> USHORT ModifierMirror<Base>::ContextChunk() {
    return kWrapped ? USHORT{0xD1B} : REFANIM_MODCONTEXT_CHUNK;
}

template <class Base> RefTargetHandle ModifierMirror<Base>::GetReference(int i) {
    return i == HolderRef() ? holder_ : Base::GetReference(i);
}

template <class Base> void ModifierMirror<Base>::SetReference(int i, RefTargetHandle rtarg) {
    if (i == HolderRef())
        holder_ = rtarg;
    else
        Base::SetReference(i, rtarg);
}

template <class Base> IDerivedObject* ModifierMirror<Base>::GetHolder() const {
    return holder_ && holder_->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(holder_)
                                                                      : nullptr;
}

template <class Base> BOOL ModifierMirror<Base>::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == holder_) return this->IsModified();
    if (rtarg && rtarg == this->GetAnim()) return this->IsModified() || this->IsOverridden(REFANIM_LOCDEP);
    return Base::IsRealDependency(rtarg);
}

template <class Base> void ModifierMirror<Base>::CollectLocDep(DWORD /*stamp*/) {
    const OperationCode op = GetCurrentOperation();
    IRefAnimOwner* owner = this->GetOwner();
    // A record whose content stays in the scene through the save keeps the modifier in its own stack.
    if (op == OperationCode::PreSave && owner && owner->KeepsItemThroughSave()) return;
    if (!this->IsModified()) return;
    Animatable* root = owner ? owner->GetRootAnim() : nullptr;
    // Where the path no longer leads to the modifier its content is away already: what holds it now stays.
    ModContext* mc = root ? this->GetModContext(root) : nullptr;
    if (!mc) return;
    IDerivedObject* holder = this->CreateModifierHolder(root);
    if (!holder) {
        this->DeleteReference(HolderRef());
        context_.reset(KeepsContext() ? new ModContext(*mc) : nullptr);
        return;
    }
    context_.reset();
    this->ReplaceReference(HolderRef(), holder);
    if (op == OperationCode::PreSave) HookPostSave();
    if (op == OperationCode::Duplicate) DeferToDuplicateEnd(this);
}

template <class Base> void ModifierMirror<Base>::Override(Animatable* root) {
    // A modifier that is not in a stack (or nothing of the user's, or another modifier the user put in its
    // place) takes the general way; OverrideModifier hands such a modifier back to Override, which then
    // takes it too.
    if (overridingModifier_ || !this->IsModified()) {
        Base::Override(root);
    } else {
        overridingModifier_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{overridingModifier_};
        this->OverrideModifier(root, GetHolder(), context_.get());
    }
    if (holder_ && !overridingModifier_) this->DeleteReference(HolderRef());
}

template <class Base> void ModifierMirror<Base>::ReleaseHeldRefs() {
    UnhookPostSave();
    if (holder_) this->DeleteReference(HolderRef());
}

template <class Base> void ModifierMirror<Base>::ReleaseAfterSave(void* param, NotifyInfo*) {
    static_cast<ModifierMirror*>(param)->ReleaseHeldRefs();
}

template <class Base> void ModifierMirror<Base>::HookPostSave() {
    if (postSaveHooked_) return;
    RegisterNotification(&ReleaseAfterSave, this, NOTIFY_FILE_POST_SAVE);
    postSaveHooked_ = true;
}

template <class Base> void ModifierMirror<Base>::UnhookPostSave() {
    if (!postSaveHooked_) return;
    UnRegisterNotification(&ReleaseAfterSave, this, NOTIFY_FILE_POST_SAVE);
    postSaveHooked_ = false;
}

template <class Base>
void ModifierMirror<Base>::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<ModifierMirror*>(from);
    auto* dst = dynamic_cast<ModifierMirror*>(to);
    if (src && dst) {
        if (src->context_) dst->context_ = std::make_unique<ModContext>(*src->context_);
        if (src->holder_) dst->ReplaceReference(dst->HolderRef(), remap.CloneRef(src->holder_));
    }
    Base::BaseClone(from, to, remap);
}

template <class Base> IOResult ModifierMirror<Base>::Save(ISave* isave) {
    IOResult res;
    if constexpr (kWrapped) {
        res = this->SaveWrappedBase(isave);
        if (res == IO_OK)
            res = WriteValueChunk(isave, kExtraRefCountChunk, static_cast<std::int32_t>(Base::NumRefs() - 1));
    } else {
        res = Base::Save(isave);
    }
    if (res == IO_OK && context_) res = SaveModContextChunk(isave, *context_, ContextChunk());
    return res;
}

template <class Base> IOResult ModifierMirror<Base>::Load(ILoad* iload) {
    context_.reset();
    if constexpr (!kWrapped) {
        return Base::Load(iload);
    } else {
        return ForEachChunk(iload, [&](USHORT id) -> IOResult {
            switch (id) {
            case RefAnim::kWrappedBaseChunk: return this->LoadWrappedBase(iload);
            case kExtraRefCountChunk: {
                // The base's table is sized before the host restores the references after it.
                std::int32_t count = 0;
                const IOResult res = ReadCount(iload, count, RefAnimWithRefs::kMaxExtraRefs);
                if (res == IO_OK) this->SetNumExtraRefs(count);
                return res;
            }
            default: return LoadKindChunk(iload);
            }
        });
    }
}

template <class Base> IOResult ModifierMirror<Base>::LoadKindChunk(ILoad* iload) {
    if (iload->CurChunkID() != ContextChunk()) return Base::LoadKindChunk(iload);
    IOResult res = IO_OK;
    context_.reset(LoadModContextChunk(iload, res));
    return res;
}

template <class Base> MSTR ModifierMirror<Base>::Describe() {
    MSTR s = Base::Describe();
    if (holder_) s += MSTR(L"\nHolder: ") + DescribeAnimatable(holder_);
    if (context_) s += MSTR(L"\nModContext: ") + context_->Describe();
    return s;
}

template class ModifierMirror<RefAnim>;
template class ModifierMirror<RefAnimWithRefs>;
