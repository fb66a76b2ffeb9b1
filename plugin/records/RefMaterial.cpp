// The record of one merged material.
#include "plugin/records/RefMaterial.h"

#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/RemapDir.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/frame/StringTable.h"

#include <cstdint>
#include <cstdio>

// The overridden name before a change; undo puts it back, redo what undo found. Without it, undoing a
// second rename would leave the record naming the material as the undone rename did.
class RefMaterialNameRestore : public OwnedStateRestore {
public:
    explicit RefMaterialNameRestore(RefMaterial* record)
        : OwnedStateRestore(record), record_(record), undo_(record->overriddenName_) {}
    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) redo_ = record_->overriddenName_;
        record_->overriddenName_ = undo_;
    }
    void Redo() override {
        if (OwnerAlive()) record_->overriddenName_ = redo_;
    }
    int Size() override { return 40; }

private:
    RefMaterial* record_;
    WStr undo_;
    WStr redo_;
};

namespace {

// Operations during which only what carries a change keeps a real dependency.
bool WeakensDependencies(OperationCode op) {
    return op == OperationCode::Unload || op == OperationCode::PreSave || op == OperationCode::PreSaveCollect || op == OperationCode::Duplicate;
}

bool PersistsReference(IRecordHelper* helper) {
    return helper && helper->PersistsReferences();
}

// The record's own chunks; the stamp and the mirror count, first and last, are the record base's.
constexpr USHORT kReferencedNameChunk = 0x0009;
constexpr USHORT kFlagsChunk = 0x000A;
constexpr USHORT kOverriddenNameChunk = 0x000B;
// More mirrors than any material has below it: a damaged count must not make the load allocate without
// bound.
constexpr std::uint32_t kMaxLoadedMirrors = 0x1000000;

bool StartsWith(const WStr& s, const WStr& lead) {
    return s.str().compare(0, lead.str().size(), lead.str()) == 0;
}

// The scene's material library lists fresh wherever it listed old. A merge lists what it brought in
// already, so fresh leaves its own entry first: the library never lists it twice.
void SwapInSceneLibrary(Mtl* old, Mtl* fresh) {
    MtlBaseLib* lib = GetCOREInterface()->GetSceneMtls();
    if (!lib || !old || old == fresh || lib->FindMtl(old) < 0) return;
    if (lib->FindMtl(fresh) >= 0) lib->Remove(fresh);
    for (int at = lib->FindMtl(old); at >= 0; at = lib->FindMtl(old))
        lib->SetEntry(at, fresh);
}

// Marks the record as renaming its material for a scope.
class RenamingScope {
public:
    explicit RenamingScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~RenamingScope() { flag_ = was_; }
    RenamingScope(const RenamingScope&) = delete;
    RenamingScope& operator=(const RenamingScope&) = delete;

private:
    bool& flag_;
    bool was_;
};

} // namespace

RefMaterial::RefMaterial(BOOL loading) : RefBase(loading) {}

RefMaterial::RefMaterial(Mtl* material, IRecordHelper* helper) : RefBase(FALSE) {
    SetHelper(helper);
    try {
        ReplaceReference(0, material);
        if (material) {
            referencedName_ = material->GetName();
            CollectMirrors();
        }
    } catch (const MAXException& e) {
        throw MAXException(ComposeError(L"Creating RefMaterial", &e), 0);
    } catch (...) {
        throw MAXException(ComposeError(L"Creating RefMaterial", nullptr), 0);
    }
}

const MCHAR* RefMaterial::GetRecordName() const {
    return GetString(IDS_REFMATERIAL);
}

Mtl* RefMaterial::GetMaterial() const {
    return dynamic_cast<Mtl*>(GetItem());
}

void RefMaterial::SetMaterialFlags(WORD flags, bool on, bool undo) {
    SetFlagBits(flags_, flags, on, undo, this);
}

void RefMaterial::SetOverriddenName(const WStr& name) {
    if (name == overriddenName_) return;
    if (theHold.Holding()) theHold.Put(new RefMaterialNameRestore(this));
    overriddenName_ = name;
}

void RefMaterial::RenameMaterial(Mtl* material, const WStr& name) {
    if (!material) return;
    RenamingScope scope(renaming_);
    material->SetName(name);
}

int RefMaterial::MaterialTag() const {
    return static_cast<int>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(GetMaterial())));
}

// ---- the one sub-animatable

Animatable* RefMaterial::SubAnim(int i) {
    return i == 0 ? GetItem() : nullptr;
}

MSTR RefMaterial::SubAnimName(int i, bool) {
    return i == 0 ? MSTR(L"Material") : MSTR();
}

// ---- references

RefResult RefMaterial::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                        RefMessage message, BOOL propagate) {
    Mtl* material = GetMaterial();
    if (material && hTarget == material) {
        if (message == REFMSG_OSTRIVANS_MTL_RENAMED) {
            // The load gave the material a unique name: it keeps that name from now on.
            if (GetCurrentOperation() == OperationCode::Load) {
                SetOverriddenName(material->GetName());
                SetMaterialFlags(REFMTL_OVERRIDDEN_NAME, true, true);
            }
            return REF_STOP;
        }
        if (message == REFMSG_NODE_NAMECHANGE) {
            // Undo and redo put the name and the flags back themselves.
            if (GetCurrentOperation() == OperationCode::None && !theHold.RestoreOrRedoing() && !renaming_)
                MaterialRenamed(material);
            return REF_STOP;
        }
    }
    return RefBase::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
}

void RefMaterial::MaterialRenamed(Mtl* material) {
    const WStr current = material->GetName();
    if (flags_ & REFMTL_NO_PREFIX) {
        SetOverriddenName(current);
        return;
    }
    const WStr prefix = GetNamePrefix();
    const WStr& base = (flags_ & REFMTL_OVERRIDDEN_NAME) ? overriddenName_ : referencedName_;
    const WStr expected = prefix.isNull() ? base : prefix + L"_" + base;
    // The prefix the helper puts on the material is no rename of the user's.
    if (current == expected) return;
    if (!(flags_ & REFMTL_OVERRIDDEN_NAME)) SetMaterialFlags(REFMTL_OVERRIDDEN_NAME, true, true);
    // A name that carries the prefix is stored without it, so a later prefix change follows; one that
    // does not is the user's whole name and never gets a prefix.
    const WStr lead = prefix + L"_";
    if (StartsWith(current, lead)) {
        SetOverriddenName(current.Substr(lead.Length(), current.Length() - lead.Length()));
    } else {
        SetOverriddenName(current);
        SetMaterialFlags(REFMTL_NO_PREFIX, true, true);
    }
}

BOOL RefMaterial::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == GetItem()) {
        if (PersistsReference(GetHelper()) || !WeakensDependencies(GetCurrentOperation())) return TRUE;
        return (flags_ & REFMTL_LOCDEP) ? TRUE : FALSE;
    }
    return RefBase::IsRealDependency(rtarg);
}

RefTargetHandle RefMaterial::Clone(RemapDir& remap) {
    auto* copy = new RefMaterial(FALSE);
    BaseClone(this, copy, remap);
    copy->referencedName_ = referencedName_;
    if (flags_ & REFMTL_OVERRIDDEN_NAME) copy->overriddenName_ = overriddenName_;
    copy->flags_ = flags_;
    return copy;
}

// ---- persistence

std::span<const ChunkField<RefMaterial>> RefMaterial::Fields() {
    static const ChunkField<RefMaterial> table[] = {
        StampField<RefMaterial>(),
        StringField<&RefMaterial::referencedName_>(kReferencedNameChunk),
        ValueField<&RefMaterial::flags_>(kFlagsChunk),
        StringField<&RefMaterial::overriddenName_>(
            kOverriddenNameChunk, [](const RefMaterial& m) { return (m.flags_ & REFMTL_OVERRIDDEN_NAME) != 0; }),
        // The record's chunks may end the stream (a record read on its own), so the count is bounded by
        // what a material can hold below it rather than by the bytes left.
        MirrorCountField<RefMaterial, kMaxLoadedMirrors>(),
    };
    return table;
}

IOResult RefMaterial::Save(ISave* isave) { return SaveFields(isave, *this, Fields()); }

IOResult RefMaterial::Load(ILoad* iload) {
    const IOResult res = LoadFields(iload, *this, Fields());
    // The table holds only empty entries before the host restores references: Clean drops them.
    if (res != IO_OK) Clean(0);
    return res;
}

// ---- the record's operations

MSTR RefMaterial::ComposeError(const MCHAR* what, const MAXException* hostError) {
    MSTR text = MSTR(hostError ? L"Error " : L"Unknown Error ") + what + L"\n";
    try {
        text += GetDescription();
    } catch (...) {
        Mtl* material = GetMaterial();
        text += material ? material->GetName() : MSTR(L"Unknown Name");
    }
    if (hostError) text += MSTR(L"\n\n") + hostError->Message();
    // The helper reports the error; the record is left without material, as if the merge had not
    // brought it.
    if (GetItem()) DeleteReference(0);
    return text;
}

void RefMaterial::Collect() {
    try {
        RefBase::Collect();
    } catch (const MAXException& e) {
        throw MAXException(ComposeError(L"Collecting RefMaterial", &e), 0);
    } catch (...) {
        throw MAXException(ComposeError(L"Collecting RefMaterial", nullptr), 0);
    }
}

void RefMaterial::Update(ReferenceTarget* freshMaterial) {
    if (!freshMaterial) return;
    BusyScope busy(this);
    try {
        auto* fresh = dynamic_cast<Mtl*>(freshMaterial);
        if (!fresh) {
            MSTR cls;
            freshMaterial->GetClassName(cls);
            throw MAXException(WStr::Format(L"%s is not a material", cls.c_str()), 0);
        }
        SwapInSceneLibrary(GetMaterial(), fresh);
        ReplaceReference(0, fresh);
        if (flags_ & REFMTL_OVERRIDDEN_NAME) RenameMaterial(fresh, overriddenName_);
        Clean(0);
        Override();
        StoreDefaults();
        CollectMirrors();
    } catch (const MAXException& e) {
        throw MAXException(ComposeError(L"Updating RefMaterial", &e), 0);
    } catch (...) {
        throw MAXException(ComposeError(L"Updating RefMaterial", nullptr), 0);
    }
}

void RefMaterial::ApplyNamePrefix(const MCHAR* prefix) {
    Mtl* material = GetMaterial();
    if (!material || (flags_ & REFMTL_NO_PREFIX)) return;
    const WStr& name = (flags_ & REFMTL_OVERRIDDEN_NAME) ? overriddenName_ : referencedName_;
    const WStr lead(prefix);
    RenameMaterial(material, lead.isNull() ? name : lead + L"_" + name);
}

bool RefMaterial::HasOverrides() const {
    return flags_ != 0 || RefBase::HasOverrides();
}

MSTR RefMaterial::GetDescription() {
    return WStr::Format(L"Material Name: %s - %d\n\n", referencedName_.c_str(), MaterialTag()) +
           WStr::Format(L"\nOverriddenName:  - %d", flags_ & REFMTL_OVERRIDDEN_NAME) +
           WStr::Format(L"\nOverriddenLocDep:  - %d", flags_ & REFMTL_LOCDEP) + RefBase::GetDescription();
}

void RefMaterial::PrintData(int detail) {
    if (detail != 1) {
        mprintf(L"\nRefMaterial: %s - %d\n", referencedName_.c_str(), MaterialTag());
        mflush();
    } else {
        mprintf(L"\n\n***************************\nRefMaterial: %s - %d\n\n", referencedName_.c_str(),
                MaterialTag());
        mprintf(L"\nOverriddenName:  - %d", flags_ & REFMTL_OVERRIDDEN_NAME);
        mprintf(L"\nOverriddenLocDep:  - %d", flags_ & REFMTL_LOCDEP);
        mflush();
    }
    RefBase::PrintData(detail);
}

// ---- dumps

std::string RefMaterial::Dump() {
    std::string flags;
    static const char* const kWords[] = {"OverriddenLocDep", "OverriddenName", "NoPrefix"};
    for (int bit = 0; bit < 3; ++bit)
        if (flags_ & (1u << bit)) flags += (flags.empty() ? "" : ", ") + std::string(kWords[bit]);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(flags_));
    return "RefMaterial " + referencedName_.ToUTF8() + " overridden \"" + overriddenName_.ToUTF8() +
           "\" flags " + hex + (flags.empty() ? "" : " (" + flags + ")") + "\n" + RefBase::Dump();
}
