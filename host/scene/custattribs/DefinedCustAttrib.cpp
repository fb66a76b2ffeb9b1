// Run-time custom attribute definitions (class descriptor and block layout per definition), their
// registry by name and class id, the attributes they create, and the attribute dump.
#include "host/scene/custattribs/DefinedCustAttrib.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/MaxException.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/materials/ParamDefBuilder.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <ostream>
#include <unordered_map>

class CustAttribDefImpl : public CustAttribDef, public ClassDesc2 {
public:
    CustAttribDefImpl(const MSTR& name, const std::vector<ParamDef>& params, Class_ID classId)
        : name_(name), classId_(classId), block_(0, name.c_str(), 0, this, P_AUTO_CONSTRUCT, 0) {
        for (const ParamDef& d : params) block_.AddParam(d);
    }

    // CustAttribDef
    const MSTR& Name() const override { return name_; }
    Class_ID ClassID() const override { return classId_; }
    ClassDesc2* GetClassDesc() override { return this; }
    ParamBlockDesc2* GetBlockDesc() override { return &block_; }
    CustAttrib* CreateInstance() override { return new DefinedCustAttrib(this, FALSE); }

    // ClassDesc2
    int IsPublic() override { return 0; }
    void* Create(BOOL loading) override { return new DefinedCustAttrib(this, loading); }
    const MCHAR* ClassName() override { return name_.c_str(); }
    SClass_ID SuperClassID() override { return CUST_ATTRIB_CLASS_ID; }
    Class_ID ClassID() override { return classId_; }
    const MCHAR* Category() override { return L""; }

private:
    MSTR name_;
    Class_ID classId_;
    ParamBlockDesc2 block_;
};

namespace {

struct DefRegistry {
    std::deque<std::unique_ptr<CustAttribDefImpl>> defs;
    std::unordered_map<std::wstring, CustAttribDefImpl*> byName; // lower-case name
    std::unordered_map<Class_ID, CustAttribDefImpl*> byId;
};

DefRegistry& Registry() {
    static DefRegistry r;
    return r;
}

// FNV-1a over the lower-case name: the same name gives the same class id in every session.
Class_ID ClassIdFromName(const MSTR& name) {
    std::uint64_t h = 1469598103934665603ull;
    const WStr lower = name.ToLower();
    for (wchar_t c : lower.str()) {
        h ^= static_cast<std::uint64_t>(c);
        h *= 1099511628211ull;
    }
    ULONG a = static_cast<ULONG>(h >> 32), b = static_cast<ULONG>(h);
    if (a == 0xFFFFFFFFu) a = 0x7FFFFFFFu; // never the "no class" id
    return Class_ID(a, b);
}

void EnsureRegistered(CustAttribDefImpl* d) {
    ClassDirectory& dir = GetClassDirectory();
    if (!dir.FindClass(CUST_ATTRIB_CLASS_ID, d->ClassID())) dir.AddClass(d);
}

} // namespace

CustAttribDef* DefineCustAttrib(const MSTR& name, const std::vector<ParamDef>& params, Class_ID classId) {
    if (name.isNull()) throw MAXException(L"A custom attribute definition needs a name");
    DefRegistry& r = Registry();
    const Class_ID id = classId == Class_ID() ? ClassIdFromName(name) : classId;
    auto it = r.byName.find(name.ToLower().str());
    if (it != r.byName.end()) {
        CustAttribDefImpl* d = it->second;
        if (!SameParamLayout(d->GetBlockDesc()->paramdefs, params) || !(d->ClassID() == id))
            throw MAXException(WStr::Format(
                L"Custom attribute definition \"%s\" exists with other parameters or another class id %s",
                name.c_str(), WStr::FromUTF8(d->ClassID().ToString()).c_str()));
        EnsureRegistered(d);
        return d;
    }
    if (ClassDesc* other = GetClassDirectory().FindClass(CUST_ATTRIB_CLASS_ID, id))
        throw MAXException(WStr::Format(L"Custom attribute definition \"%s\": class id %s is taken by \"%s\"",
                                        name.c_str(), WStr::FromUTF8(id.ToString()).c_str(), other->ClassName()));
    r.defs.push_back(std::make_unique<CustAttribDefImpl>(name, params, id));
    CustAttribDefImpl* d = r.defs.back().get();
    r.byName[name.ToLower().str()] = d;
    r.byId[id] = d;
    EnsureRegistered(d);
    return d;
}

CustAttribDef* FindCustAttribDef(const MSTR& name) {
    auto it = Registry().byName.find(name.ToLower().str());
    return it == Registry().byName.end() ? nullptr : it->second;
}

CustAttribDef* FindCustAttribDef(const Class_ID& classId) {
    auto it = Registry().byId.find(classId);
    return it == Registry().byId.end() ? nullptr : it->second;
}

DefinedCustAttrib::DefinedCustAttrib(CustAttribDefImpl* def, BOOL loading) : def_(def) {
    if (!loading) def_->MakeAutoParamBlocks(this);
}

DefinedCustAttrib::~DefinedCustAttrib() {
    if (NumLiveRefs() > 0) {
        const HoldSuspend quiet;
        DeleteAllRefsFromMe();
    }
}

Class_ID DefinedCustAttrib::ClassID() { return static_cast<const CustAttribDef*>(def_)->ClassID(); }
void DefinedCustAttrib::GetClassName(MSTR& s, bool /*localized*/) const { s = def_->Name(); }
const MCHAR* DefinedCustAttrib::GetName(bool /*localized*/) { return def_->Name().c_str(); }
MSTR DefinedCustAttrib::SubAnimName(int i, bool /*localized*/) { return i == 0 ? def_->Name() : MSTR(); }
CustAttribDef* DefinedCustAttrib::GetDefinition() { return def_; }

void DefinedCustAttrib::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 0) pblock_ = RefAs<IParamBlock2>(rtarg);
}

RefTargetHandle DefinedCustAttrib::Clone(RemapDir& remap) {
    auto* copy = new DefinedCustAttrib(def_, TRUE);
    BaseClone(this, copy, remap);
    if (pblock_) copy->ReplaceReference(0, remap.CloneRef(pblock_));
    return copy;
}

void DumpCustAttribs(Animatable* owner, std::ostream& os, int indent) {
    ICustAttribContainer* c = owner ? owner->GetCustAttribContainer() : nullptr;
    if (!c || c->GetNumCustAttribs() == 0) return;
    const std::string pad(static_cast<size_t>(std::max(0, indent)), ' ');
    os << pad << "CustAttribs count " << c->GetNumCustAttribs() << "\n";
    for (int i = 0; i < c->GetNumCustAttribs(); ++i) {
        CustAttrib* ca = c->GetCustAttrib(i);
        os << pad << "  [" << i << "] ";
        if (!ca) {
            os << "null\n";
            continue;
        }
        os << "\"" << WStr(ca->GetName()).ToUTF8() << "\" " << ca->ClassID().ToString() << "\n";
        for (int b = 0; b < ca->NumParamBlocks(); ++b) DumpParamBlock2(ca->GetParamBlock(b), os, indent + 4);
    }
}
