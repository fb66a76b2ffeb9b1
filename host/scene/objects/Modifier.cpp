// Modifier names and enable states: their messages, undo records and persistence.
#include "host/scene/Modifier.h"

#include "host/core/ChunkFields.h"
#include "host/core/FixedClassName.h"
#include "host/core/Hold.h"

// Undo of a rename. Holds the modifier by handle: an undo that finds it freed does nothing.
class ModifierNameRestore : public RestoreObj {
public:
    ModifierNameRestore(Modifier* mod, MSTR oldName, bool oldHas, MSTR newName, bool newHas)
        : handle_(Animatable::GetHandleByAnim(mod)), oldName_(std::move(oldName)),
          newName_(std::move(newName)), oldHas_(oldHas), newHas_(newHas) {}
    void Restore(int /*isUndo*/) override {
        if (Modifier* m = Get()) m->ApplyName(oldName_, oldHas_);
    }
    void Redo() override {
        if (Modifier* m = Get()) m->ApplyName(newName_, newHas_);
    }
    MSTR Description() override { return L"Modifier Name"; }

private:
    Modifier* Get() const { return static_cast<Modifier*>(Animatable::GetAnimByHandle(handle_)); }
    AnimHandle handle_;
    MSTR oldName_, newName_;
    bool oldHas_, newHas_;
};

// Undo of a change of the enable states.
class ModifierEnableRestore : public RestoreObj {
public:
    ModifierEnableRestore(Modifier* mod, int oldFlags, int newFlags)
        : handle_(Animatable::GetHandleByAnim(mod)), old_(oldFlags), new_(newFlags) {}
    void Restore(int /*isUndo*/) override {
        if (Modifier* m = Get()) m->ApplyEnableFlags(old_);
    }
    void Redo() override {
        if (Modifier* m = Get()) m->ApplyEnableFlags(new_);
    }
    MSTR Description() override { return L"Modifier Enable"; }

private:
    Modifier* Get() const { return static_cast<Modifier*>(Animatable::GetAnimByHandle(handle_)); }
    AnimHandle handle_;
    int old_, new_;
};

MSTR Modifier::GetName(bool localized) {
    if (hasName_) return name_;
    MSTR s;
    GetClassName(s, localized);
    return s;
}

const MCHAR* Modifier::NameText() {
    return hasName_ ? name_.c_str() : FixedClassName(this);
}

void Modifier::SetName(const MSTR& name) {
    const bool has = !name.isNull();
    if (has == hasName_ && (!has || name == name_)) return;
    if (theHold.Holding())
        theHold.Put(new ModifierNameRestore(this, name_, hasName_, has ? name : MSTR(), has));
    ApplyName(has ? name : MSTR(), has);
}

void Modifier::ApplyName(const MSTR& name, bool hasName) {
    name_ = name;
    hasName_ = hasName;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_NAMECHANGE);
    NotifyDependents(FOREVER, PART_ALL, REFMSG_MODIFIER_NAME_CHANGED);
}

void Modifier::SetEnableFlag(int flag, bool on) {
    SetEnableFlags(on ? (enableFlags_ | flag) : (enableFlags_ & ~flag));
}

void Modifier::SetEnableFlags(int flags) {
    flags &= kEnabled | kEnabledInViews | kEnabledInRender;
    if (flags == enableFlags_) return;
    if (theHold.Holding()) theHold.Put(new ModifierEnableRestore(this, enableFlags_, flags));
    ApplyEnableFlags(flags);
}

void Modifier::ApplyEnableFlags(int flags) {
    enableFlags_ = flags;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

void Modifier::CopyModifierState(Modifier* to) const {
    to->name_ = name_;
    to->hasName_ = hasName_;
    to->enableFlags_ = enableFlags_;
}

IOResult Modifier::Save(ISave* isave) {
    isave->BeginChunk(kModifierChunk);
    if (hasName_) WriteStringChunk(isave, kNameChunk, name_);
    WriteValueChunk(isave, kEnableChunk, static_cast<DWORD>(enableFlags_));
    return isave->EndChunk();
}

IOResult Modifier::Load(ILoad* iload) {
    if (iload->PeekNextChunkID() != kModifierChunk) return IO_OK;
    IOResult res = iload->OpenChunk();
    if (res != IO_OK) return res == IO_END ? IO_OK : res;
    res = ForEachChunk(iload, [&](USHORT id) {
        IOResult r = IO_OK;
        switch (id) {
        case kNameChunk:
            r = iload->ReadWStringChunk(name_);
            hasName_ = true;
            break;
        case kEnableChunk: {
            DWORD flags = 0;
            if ((r = ReadValues(iload, flags)) == IO_OK)
                enableFlags_ = static_cast<int>(flags) & (kEnabled | kEnabledInViews | kEnabledInRender);
            break;
        }
        default: break;
        }
        return r;
    });
    if (res != IO_OK) return IO_ERROR;
    return iload->CloseChunk();
}
