// Parameter block descriptors, automatic block construction, and the block classes' registration.
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/MaxException.h"

#include "host/scene/ParamBlock.h"
#include "host/scene/ParamBlock2.h"
#include <algorithm>

ParamBlockDesc2::ParamBlockDesc2(BlockID id, const MCHAR* int_name, StringResID local_name, ClassDesc2* cd,
                                 int flags, int ref_no)
    : ID(id), local_name(local_name), cd(cd), flags(flags), ref_no(ref_no) {
    names_.emplace_back(int_name ? int_name : L"");
    this->int_name = names_.back().c_str();
    if (cd) cd->AddParamBlockDesc(this, id);
}

ParamBlockDesc2& ParamBlockDesc2::AddParam(const ParamDef& def) {
    if (IDtoIndex(def.ID) >= 0)
        throw MAXException(
            WStr::Format(L"ParamBlockDesc2 \"%s\" (block id %d): parameter id %d is defined twice", int_name,
                         static_cast<int>(ID), static_cast<int>(def.ID)));
    ParamDef d = def;
    names_.emplace_back(def.int_name ? def.int_name : L"");
    d.int_name = names_.back().c_str();
    names_.emplace_back(def.caption ? def.caption : L"");
    d.caption = names_.back().c_str();
    paramdefs.push_back(d);
    const int index = Count() - 1;
    if (d.ID >= 0 && d.ID < kDirectIds && index <= INT16_MAX) {
        if (directIndex_.size() <= static_cast<size_t>(d.ID)) directIndex_.resize(static_cast<size_t>(d.ID) + 1, -1);
        directIndex_[static_cast<size_t>(d.ID)] = static_cast<std::int16_t>(index);
    } else {
        otherIndex_.emplace(d.ID, index);
    }
    return *this;
}

int ParamBlockDesc2::IDtoIndex(ParamID id) const {
    if (id >= 0 && static_cast<size_t>(id) < directIndex_.size() && directIndex_[static_cast<size_t>(id)] >= 0)
        return directIndex_[static_cast<size_t>(id)];
    if (otherIndex_.empty()) return -1;
    const auto it = otherIndex_.find(id);
    return it == otherIndex_.end() ? -1 : it->second;
}

ParamID ParamBlockDesc2::IndextoID(int index) const {
    return index >= 0 && index < Count() ? paramdefs[static_cast<size_t>(index)].ID
                                         : static_cast<ParamID>(-1);
}

ParamDef* ParamBlockDesc2::GetParamDefByID(ParamID id) {
    const int i = IDtoIndex(id);
    return i < 0 ? nullptr : &paramdefs[static_cast<size_t>(i)];
}

void MakeAutoParamBlocks(ClassDesc2* cd, ReferenceMaker* owner) {
    if (!cd || !owner) return;
    for (int i = 0; i < cd->NumParamBlockDescs(); ++i) {
        ParamBlockDesc2* d = cd->GetParamBlockDesc(i);
        if (!d || !(d->flags & P_AUTO_CONSTRUCT)) continue;
        IParamBlock2* pb = CreateParameterBlock2(d, owner);
        // A block nobody could take is not left behind.
        if (owner->ReplaceReference(d->ref_no, pb) != REF_SUCCEED) pb->MaybeAutoDelete();
    }
}

namespace {

class ParamBlock2ClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL /*loading*/) override { return new ParamBlock2(nullptr, nullptr); }
    const MCHAR* ClassName() override { return L"ParamBlock2"; }
    SClass_ID SuperClassID() override { return PARAMETER_BLOCK2_CLASS_ID; }
    Class_ID ClassID() override { return PARAMBLOCK2_CLASS_ID; }
    const MCHAR* Category() override { return L""; }
};

class ParamBlockClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL /*loading*/) override { return new ParamBlock(nullptr, 0, nullptr); }
    const MCHAR* ClassName() override { return L"ParamBlock"; }
    SClass_ID SuperClassID() override { return PARAMETER_BLOCK_CLASS_ID; }
    Class_ID ClassID() override { return PARAMBLOCK_CLASS_ID; }
    const MCHAR* Category() override { return L""; }
};

ParamBlock2ClassDesc thePB2ClassDesc;
ParamBlockClassDesc thePBClassDesc;

void InstallServices() {
    ClassDesc2::ParamBlockServices s;
    s.blockIdOf = [](ParamBlockDesc2* pbd) { return pbd ? pbd->ID : static_cast<BlockID>(-1); };
    s.makeAutoParamBlocks = &MakeAutoParamBlocks;
    ClassDesc2::SetParamBlockServices(s);
}

// Class descriptors build their blocks as soon as the host library is loaded, before any module
// registers its classes.
struct ServicesAtLoad {
    ServicesAtLoad() { InstallServices(); }
} servicesAtLoad;

} // namespace

void RegisterParamBlockClasses() {
    InstallServices();
    ClassDirectory& dir = GetClassDirectory();
    if (!dir.FindClass(PARAMETER_BLOCK2_CLASS_ID, PARAMBLOCK2_CLASS_ID)) dir.AddClass(&thePB2ClassDesc);
    if (!dir.FindClass(PARAMETER_BLOCK_CLASS_ID, PARAMBLOCK_CLASS_ID)) dir.AddClass(&thePBClassDesc);
}
