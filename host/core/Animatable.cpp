// Animatable defaults, property ownership, custom attribute container hooks and the handle registry.
#include "host/core/Animatable.h"

#include "host/core/SlabPool.h"

#include <memory>
#include <utility>
#include <vector>

namespace {

// Handles are looked up by the undo records of the reference graph. They are handed out in order and never
// reused, so pages of a table indexed by handle find an animatable without hashing. A page grows by a page,
// never by copying the table, and a page whose animatables are all gone is given back: a session that
// loads and drops scene after scene keeps pages for the live handles only (handle 0 stays empty).
struct HandleRegistry {
    static constexpr unsigned kPageBits = 12;
    static constexpr size_t kPageSize = size_t(1) << kPageBits;
    struct Page {
        Animatable* anims[kPageSize] = {};
        size_t live = 0;
    };
    std::vector<std::unique_ptr<Page>> pages;
    AnimHandle next = 1;

    static size_t PageOf(AnimHandle h) { return static_cast<size_t>(h >> kPageBits); }
    static size_t SlotOf(AnimHandle h) { return static_cast<size_t>(h & (kPageSize - 1)); }
    void Add(AnimHandle h, Animatable* anim) {
        const size_t p = PageOf(h);
        if (pages.size() <= p) pages.resize(p + 1);
        if (!pages[p]) pages[p] = std::make_unique<Page>();
        pages[p]->anims[SlotOf(h)] = anim;
        ++pages[p]->live;
    }
    void Drop(AnimHandle h) {
        Page* page = pages[PageOf(h)].get();
        page->anims[SlotOf(h)] = nullptr;
        // The page new handles go to stays: an animatable made and dropped over and over would otherwise
        // take a page and give it back each time.
        if (--page->live == 0 && PageOf(h) != PageOf(next)) pages[PageOf(h)].reset();
    }
    Animatable* Find(AnimHandle h) const {
        const size_t p = PageOf(h);
        return p < pages.size() && pages[p] ? pages[p]->anims[SlotOf(h)] : nullptr;
    }
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

// What few animatables have: their properties (with each one's id, so a lookup reads no property) and
// their custom attribute container.
struct Animatable::SideState {
    // An animatable with a property has one in most cases (a reference record's link on the node it
    // stands for, on every loaded node): the first is held in the block itself, the others in a vector.
    class PropTable {
    public:
        using Entry = std::pair<DWORD, AnimProperty*>;
        size_t size() const { return first_.second ? 1 + rest_.size() : 0; }
        bool empty() const { return !first_.second; }
        Entry& operator[](size_t i) { return i == 0 ? first_ : rest_[i - 1]; }
        void push_back(const Entry& e) {
            if (!first_.second) first_ = e;
            else rest_.push_back(e);
        }
        // Keeps the order of the others.
        void erase(size_t i) {
            if (i == 0) {
                if (rest_.empty()) {
                    first_ = Entry(0, nullptr);
                    return;
                }
                first_ = rest_.front();
                i = 1;
            }
            rest_.erase(rest_.begin() + static_cast<std::ptrdiff_t>(i - 1));
        }

    private:
        Entry first_{0, nullptr}; // its property is null while the table is empty
        std::vector<Entry> rest_;
    };
    PropTable props;
    ICustAttribContainer* custAttribs = nullptr;
    AnimHandle handle = 0; // a handle too large for the animatable's own field
};

Animatable::SideState& Animatable::Side() {
    if (!side_) side_ = new SideState;
    return *side_;
}

void Animatable::TrimSide() {
    if (side_ && side_->props.empty() && !side_->custAttribs && side_->handle == 0) {
        delete side_;
        side_ = nullptr;
    }
}

void* Animatable::operator new(std::size_t size) {
    return SlabPool::Allocate(size);
}

// The destructor is virtual, so a deletion through any base passes the deleted object's own size.
void Animatable::operator delete(void* p, std::size_t size) noexcept {
    SlabPool::Free(p, size);
}

Animatable::~Animatable() {
    if (handle_ != 0) Registry().Drop(handle_ == kHandleInSide ? side_->handle : handle_);
    if (side_) {
        DeleteCustAttribContainer();
        // Deleting a property may reach back into this animatable: the block is taken off first.
        SideState* side = side_;
        side_ = nullptr;
        if (side) {
            for (size_t i = 0; i < side->props.size(); ++i) delete side->props[i].second;
            delete side;
        }
    }
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

ICustAttribContainer* Animatable::SideCustAttribs() const { return side_ ? side_->custAttribs : nullptr; }

void Animatable::AllocCustAttribContainer() {
    if (GetCustAttribContainer() || !Hooks().create) return;
    ICustAttribContainer* made = Hooks().create(this);
    if (made) Side().custAttribs = made;
}

void Animatable::DeleteCustAttribContainer() {
    ICustAttribContainer* c = side_ ? side_->custAttribs : nullptr;
    if (!c) return;
    side_->custAttribs = nullptr;
    TrimSide();
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
    SideState& side = Side();
    for (size_t i = 0; i < side.props.size(); ++i) {
        auto& entry = side.props[i];
        if (entry.first == id) {
            AnimProperty* old = entry.second;
            entry.second = ap;
            if (old != ap) delete old;
            return;
        }
    }
    side.props.push_back({id, ap});
}

AnimProperty* Animatable::GetAProp(DWORD id) {
    if (!side_) return nullptr;
    for (size_t i = 0; i < side_->props.size(); ++i)
        if (side_->props[i].first == id) return side_->props[i].second;
    return nullptr;
}

void Animatable::RemoveAProp(DWORD id) {
    if (!side_) return;
    auto& props = side_->props;
    for (size_t i = 0; i < props.size(); ++i) {
        if (props[i].first != id) continue;
        AnimProperty* p = props[i].second;
        props.erase(i);
        TrimSide();
        delete p;
        return;
    }
}

int Animatable::NumAProps() const { return side_ ? static_cast<int>(side_->props.size()) : 0; }

AnimHandle Animatable::GetHandleByAnim(Animatable* anim) {
    if (!anim) return 0;
    if (anim->handle_ == 0) {
        HandleRegistry& r = Registry();
        const AnimHandle h = r.next++;
        r.Add(h, anim);
        if (h < kHandleInSide) {
            anim->handle_ = static_cast<std::uint32_t>(h);
        } else {
            anim->Side().handle = h;
            anim->handle_ = kHandleInSide;
        }
    }
    return anim->handle_ == kHandleInSide ? anim->side_->handle : anim->handle_;
}

Animatable* Animatable::GetAnimByHandle(AnimHandle handle) {
    if (handle == 0) return nullptr;
    return Registry().Find(handle);
}
