// Animatable defaults, property ownership, custom attribute container hooks and the handle registry.
#include "host/core/Animatable.h"

#include <unordered_map>
#include <utility>
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

// What few animatables have: their properties (with each one's id, so a lookup reads no property) and
// their custom attribute container.
struct SideState {
    std::vector<std::pair<DWORD, AnimProperty*>> props;
    ICustAttribContainer* custAttribs = nullptr;
};

std::unordered_map<const Animatable*, SideState>& SideStates() {
    // Never destroyed, as the handle registry.
    static auto* states = new std::unordered_map<const Animatable*, SideState>;
    return *states;
}

SideState* FindSide(const Animatable* anim) {
    auto& states = SideStates();
    auto it = states.find(anim);
    return it == states.end() ? nullptr : &it->second;
}

Animatable::CustAttribContainerHooks& Hooks() {
    static Animatable::CustAttribContainerHooks hooks;
    return hooks;
}

} // namespace

Animatable::~Animatable() {
    if (hasSideState_) {
        DeleteCustAttribContainer();
        // Deleting a property may reach other animatables' side states: the entry is taken out first.
        std::vector<std::pair<DWORD, AnimProperty*>> props;
        if (SideState* side = FindSide(this)) props = std::move(side->props);
        SideStates().erase(this);
        hasSideState_ = 0;
        for (const auto& entry : props) delete entry.second;
    }
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

ICustAttribContainer* Animatable::SideCustAttribs() const {
    const SideState* side = FindSide(this);
    return side ? side->custAttribs : nullptr;
}

void Animatable::AllocCustAttribContainer() {
    if (GetCustAttribContainer() || !Hooks().create) return;
    ICustAttribContainer* made = Hooks().create(this);
    if (!made) return;
    SideStates()[this].custAttribs = made;
    hasSideState_ = 1;
}

void Animatable::DeleteCustAttribContainer() {
    SideState* side = hasSideState_ ? FindSide(this) : nullptr;
    ICustAttribContainer* c = side ? side->custAttribs : nullptr;
    if (!c) return;
    side->custAttribs = nullptr;
    if (side->props.empty()) {
        SideStates().erase(this);
        hasSideState_ = 0;
    }
    if (Hooks().destroy) Hooks().destroy(c);
}

void Animatable::SetCustAttribContainerHooks(const CustAttribContainerHooks& hooks) { Hooks() = hooks; }
const Animatable::CustAttribContainerHooks& Animatable::GetCustAttribContainerHooks() { return Hooks(); }

ReferenceTarget* Animatable::GetCustAttribContainerTarget() const {
    ICustAttribContainer* c = GetCustAttribContainer();
    if (!c || !Hooks().asTarget) return nullptr;
    return Hooks().asTarget(c);
}

void Animatable::AddAProp(AnimProperty* ap) {
    if (!ap) return;
    const DWORD id = ap->ID();
    SideState& side = SideStates()[this];
    hasSideState_ = 1;
    for (auto& entry : side.props) {
        if (entry.first == id) {
            AnimProperty* old = entry.second;
            entry.second = ap;
            if (old != ap) delete old;
            return;
        }
    }
    side.props.emplace_back(id, ap);
}

AnimProperty* Animatable::GetAProp(DWORD id) {
    if (!hasSideState_) return nullptr;
    if (const SideState* side = FindSide(this))
        for (const auto& entry : side->props)
            if (entry.first == id) return entry.second;
    return nullptr;
}

void Animatable::RemoveAProp(DWORD id) {
    SideState* side = hasSideState_ ? FindSide(this) : nullptr;
    if (!side) return;
    for (size_t i = 0; i < side->props.size(); ++i) {
        if (side->props[i].first != id) continue;
        AnimProperty* p = side->props[i].second;
        side->props.erase(side->props.begin() + static_cast<std::ptrdiff_t>(i));
        if (side->props.empty() && !side->custAttribs) {
            SideStates().erase(this);
            hasSideState_ = 0;
        }
        delete p;
        return;
    }
}

int Animatable::NumAProps() const {
    const SideState* side = hasSideState_ ? FindSide(this) : nullptr;
    return side ? static_cast<int>(side->props.size()) : 0;
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
