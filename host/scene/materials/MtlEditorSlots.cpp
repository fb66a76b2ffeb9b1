// The material editor's sample slots and their default materials.
#include "host/scene/materials/MtlEditorSlots.h"

#include "host/core/HoldSuspend.h"
#include "host/core/RefKind.h"

#include <cwchar>

MtlEditorSlots::MtlEditorSlots() { FillDefaults(); }

MtlEditorSlots::~MtlEditorSlots() {
    const HoldSuspend quiet;
    DeleteAllRefs();
}

void MtlEditorSlots::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Material Editor Slots"; }

MSTR MtlEditorSlots::DefaultName(int slot) {
    wchar_t name[32];
    std::swprintf(name, 32, L"%02d - Default", slot + 1);
    return MSTR(name);
}

void MtlEditorSlots::Put(MtlBase* m, int slot) {
    if (slot < 0 || slot >= kCount) return;
    const HoldSuspend quiet;
    ReplaceReference(slot, m);
}

void MtlEditorSlots::FillDefaults() {
    for (int i = 0; i < kCount; ++i) {
        Mtl* m = NewDefaultStdMat();
        m->SetName(DefaultName(i));
        Put(m, i);
    }
}

void MtlEditorSlots::SetReference(int i, RefTargetHandle t) {
    if (i < 0 || i >= kCount) return;
    const SClass_ID s = t ? t->SuperClassID() : 0;
    slots_[i] = s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID ? t : nullptr;
}
