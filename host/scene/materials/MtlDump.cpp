// Deterministic text pictures of materials, maps and material libraries.
#include "host/scene/Mtl.h"

#include "host/scene/IParamBlock2.h"
#include "host/scene/objects/ConfiguredObject.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

namespace {

std::string Quoted(const MSTR& s) { return "\"" + s.ToUTF8() + "\""; }

std::string ClassNameOf(Animatable* a) {
    MSTR s;
    a->GetClassName(s);
    return s.ToUTF8();
}

std::string Hex(ULONG v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(v));
    return buf;
}

} // namespace

void DumpMtlBase(MtlBase* mtl, std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(std::max(0, indent)), ' ');
    if (!mtl) {
        os << pad << "null\n";
        return;
    }
    MtlBase* active = mtl->GetActiveTexmap();
    os << pad << (mtl->SuperClassID() == MATERIAL_CLASS_ID ? "Mtl " : "Texmap ") << Quoted(mtl->GetName()) << " "
       << ClassNameOf(mtl) << " " << mtl->ClassID().ToString() << " flags " << Hex(mtl->GetMtlFlags()) << " gbuf "
       << mtl->GetGBufID() << " active " << (active ? Quoted(active->GetName()) : std::string("null")) << "\n";
    for (int i = 0; i < mtl->NumParamBlocks(); ++i) DumpParamBlock2(mtl->GetParamBlock(i), os, indent + 2);
    if (mtl->SuperClassID() == MATERIAL_CLASS_ID) {
        auto* m = static_cast<Mtl*>(mtl);
        for (int i = 0; i < m->NumSubMtls(); ++i) {
            Mtl* sub = m->GetSubMtl(i);
            os << pad << "  sub-material " << i << " " << Quoted(m->GetSubMtlSlotName(i)) << (sub ? ":\n" : ": null\n");
            if (sub) DumpMtlBase(sub, os, indent + 4);
        }
    }
    // Map slots are many and mostly empty: only the filled ones.
    for (int i = 0; i < mtl->NumSubTexmaps(); ++i) {
        Texmap* map = mtl->GetSubTexmap(i);
        if (!map) continue;
        os << pad << "  map " << i << " " << Quoted(mtl->GetSubTexmapSlotName(i)) << ":\n";
        DumpMtlBase(map, os, indent + 4);
    }
    if (auto* extra = dynamic_cast<ObjectDumpExtra*>(mtl)) extra->DumpExtra(os, indent + 2);
}

void DumpMtlBaseLib(MtlBaseLib* lib, std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(std::max(0, indent)), ' ');
    if (!lib) {
        os << pad << "MtlBaseLib null\n";
        return;
    }
    os << pad << "MtlBaseLib count " << lib->Count() << "\n";
    for (int i = 0; i < lib->Count(); ++i) {
        MtlBase* m = (*lib)[i];
        os << pad << "  [" << i << "] ";
        if (m) os << Quoted(m->GetName()) << " " << ClassNameOf(m) << "\n";
        else os << "empty\n";
    }
}
