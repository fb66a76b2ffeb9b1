// Class descriptors: interface lists and parameter block descriptor storage.
#include "host/core/ClassDesc.h"

#include "host/core/FPInterface.h"
#include "host/core/MaxException.h"

#include <cstdio>

namespace {
ClassDesc2::ParamBlockServices& Services() {
    static ClassDesc2::ParamBlockServices services;
    return services;
}
} // namespace

ClassDesc::~ClassDesc() {
    // Descriptions that outlive their class descriptor must not reach back into it.
    for (FPInterface* fpi : interfaces) {
        FPInterfaceDesc* desc = fpi->GetDesc();
        if (desc == fpi && desc->cd == this) desc->cd = nullptr;
    }
}

FPInterface* ClassDesc::GetInterface(Interface_ID id) {
    for (FPInterface* fpi : interfaces)
        if (fpi->GetID() == id) return fpi;
    return nullptr;
}

FPInterface* ClassDesc::GetInterface(const MCHAR* name) {
    if (!name) return nullptr;
    for (FPInterface* fpi : interfaces) {
        FPInterfaceDesc* desc = fpi->GetDesc();
        if (desc && desc->internal_name.EqualsNoCase(name)) return fpi;
    }
    return nullptr;
}

void ClassDesc::AddInterface(FPInterface* fpi) {
    if (!fpi) throw MAXException(WStr(L"AddInterface: null interface for class ") + ClassName());
    if (interfaces.Find(fpi) >= 0) return;
    if (FPInterface* other = GetInterface(fpi->GetID())) {
        FPInterfaceDesc* d = other->GetDesc();
        throw MAXException(WStr(L"AddInterface: class ") + ClassName() + L" already publishes interface " +
                           (d ? d->internal_name : WStr()) + L" " + WStr::FromUTF8(fpi->GetID().ToString()));
    }
    interfaces.Append(fpi);
    FPInterfaceDesc* desc = fpi->GetDesc();
    if (desc == fpi && !desc->cd) desc->cd = this;
}

void ClassDesc::ClearInterfaces() {
    for (FPInterface* fpi : interfaces) {
        FPInterfaceDesc* desc = fpi->GetDesc();
        if (desc == fpi && desc->cd == this) desc->cd = nullptr;
    }
    interfaces.ZeroCount();
}

void ClassDesc::RemoveInterface(FPInterface* fpi) {
    int i = interfaces.Find(fpi);
    if (i >= 0) interfaces.Delete(i, 1);
}

std::string ClassDesc::Describe() {
    char head[64];
    std::snprintf(head, sizeof head, " super 0x%x class ", static_cast<unsigned>(SuperClassID()));
    const MCHAR* category = Category();
    return WStr(ClassName()).ToUTF8() + head + ClassID().ToString() + " category \"" +
           WStr(category ? category : L"").ToUTF8() + "\" public " + std::to_string(IsPublic());
}

// ---- ClassDesc2

void ClassDesc2::SetParamBlockServices(const ParamBlockServices& services) { Services() = services; }

const ClassDesc2::ParamBlockServices& ClassDesc2::GetParamBlockServices() { return Services(); }

ParamBlockDesc2* ClassDesc2::GetParamBlockDesc(int i) {
    return i >= 0 && i < NumParamBlockDescs() ? pbDescs_[static_cast<size_t>(i)].pbd : nullptr;
}

ParamBlockDesc2* ClassDesc2::GetParamBlockDescByID(BlockID id) {
    for (const Entry& e : pbDescs_) {
        if (e.hasId ? e.id == id : (Services().blockIdOf && Services().blockIdOf(e.pbd) == id)) return e.pbd;
    }
    return nullptr;
}

void ClassDesc2::AddParamBlockDesc(ParamBlockDesc2* pbd) {
    if (!pbd) return;
    for (const Entry& e : pbDescs_)
        if (e.pbd == pbd) return;
    pbDescs_.push_back({pbd, false, 0});
}

void ClassDesc2::AddParamBlockDesc(ParamBlockDesc2* pbd, BlockID id) {
    if (!pbd) return;
    for (Entry& e : pbDescs_) {
        if (e.pbd == pbd) {
            e.hasId = true;
            e.id = id;
            return;
        }
    }
    pbDescs_.push_back({pbd, true, id});
}

void ClassDesc2::MakeAutoParamBlocks(ReferenceMaker* owner) {
    if (Services().makeAutoParamBlocks) Services().makeAutoParamBlocks(this, owner);
}
