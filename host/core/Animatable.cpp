// Animatable defaults, property ownership, custom attribute container hooks and the handle registry.
#include "host/core/Animatable.h"

#include <vector>

namespace {

// Handles are looked up by the undo records of the reference graph, so the registry is a hash map.
// Handles are handed out in order and never reused: a table indexed by handle finds an animatable without
// hashing (slot 0 stays empty).
struct HandleRegistry {
    std::vector<Animatable*> byHandle{nullptr};
    AnimHandle next = 1;
};

HandleRegistry& Registry() {
    // Never destroyed: animatables freed during static destruction still unregister safely.
    static HandleRegistry* registry = new HandleRegistry;
    return *registry;
}

Animatable::CustAttribContainerHooks& Hooks() {
    static Animatable::CustAttribContainerHooks hooks;
    return hooks;
}

} // namespace

Animatable::~Animatable() {
    DeleteCustAttribContainer();
    for (AnimProperty* ap : aprops_) delete ap;
    aprops_.clear();
    if (handle_ != 0) Registry().byHandle[static_cast<size_t>(handle_)] = nullptr;
}

void Animatable::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Animatable"; }

Animatable* Animatable::SubAnim(int /*i*/) { return nullptr; }
MSTR Animatable::SubAnimName(int /*i*/, bool /*localized*/) { return MSTR(); }
int Animatable::SubNumToRefNum(int /*subNum*/) { return -1; }
BOOL Animatable::CanDeleteSubAnim(int /*i*/) { return FALSE; }
void Animatable::DeleteSubAnim(int /*i*/) {}
BOOL Animatable::CanAssignController(int /*subAnim*/) { return TRUE; }
BOOL Animatable::AssignController(Animatable* /*control*/, int /*subAnim*/) { return FALSE; }

IParamBlock2* Animatable::GetParamBlock(int /*i*/) { return nullptr; }
IParamBlock2* Animatable::GetParamBlockByID(BlockID /*id*/) { return nullptr; }

void* Animatable::GetInterface(ULONG /*id*/) { return nullptr; }
BaseInterface* Animatable::GetInterface(Interface_ID /*id*/) { return nullptr; }

void Animatable::AllocCustAttribContainer() {
    if (custAttribs_ || !Hooks().create) return;
    custAttribs_ = Hooks().create(this);
}

void Animatable::DeleteCustAttribContainer() {
    ICustAttribContainer* c = custAttribs_;
    custAttribs_ = nullptr;
    if (c && Hooks().destroy) Hooks().destroy(c);
}

void Animatable::SetCustAttribContainerHooks(const CustAttribContainerHooks& hooks) { Hooks() = hooks; }
const Animatable::CustAttribContainerHooks& Animatable::GetCustAttribContainerHooks() { return Hooks(); }

ReferenceTarget* Animatable::GetCustAttribContainerTarget() const {
    if (!custAttribs_ || !Hooks().asTarget) return nullptr;
    return Hooks().asTarget(custAttribs_);
}

void Animatable::AddAProp(AnimProperty* ap) {
    if (!ap) return;
    const DWORD id = ap->ID();
    for (AnimProperty*& p : aprops_) {
        if (p->ID() == id) {
            if (p != ap) delete p;
            p = ap;
            return;
        }
    }
    aprops_.push_back(ap);
}

AnimProperty* Animatable::GetAProp(DWORD id) {
    for (AnimProperty* p : aprops_)
        if (p->ID() == id) return p;
    return nullptr;
}

void Animatable::RemoveAProp(DWORD id) {
    for (size_t i = 0; i < aprops_.size(); ++i) {
        if (aprops_[i]->ID() == id) {
            AnimProperty* p = aprops_[i];
            aprops_.erase(aprops_.begin() + static_cast<std::ptrdiff_t>(i));
            delete p;
            return;
        }
    }
}

AnimHandle Animatable::GetHandleByAnim(Animatable* anim) {
    if (!anim) return 0;
    if (anim->handle_ == 0) {
        HandleRegistry& r = Registry();
        anim->handle_ = r.next++;
        r.byHandle.push_back(anim);
    }
    return anim->handle_;
}

Animatable* Animatable::GetAnimByHandle(AnimHandle handle) {
    if (handle == 0) return nullptr;
    const HandleRegistry& r = Registry();
    return handle < r.byHandle.size() ? r.byHandle[static_cast<size_t>(handle)] : nullptr;
}
