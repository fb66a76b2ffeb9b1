// The notification table: per code, handlers in registration order, with an index so that removing one
// of many thousands of registrations (one per record of a large scene) costs no scan.
#include "host/core/Notify.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Who registered: one procedure with one parameter. The index is by owner, not by owner and code, so an
// owner that registers for several codes (every record does) costs one lookup to register and one to
// take all its registrations back.
struct Owner {
    NOTIFYPROC proc;
    void* param;
    bool operator==(const Owner&) const = default;
};

struct OwnerHash {
    // Thousands of owners share one procedure and differ in their (aligned) parameter: both parts go
    // through a full mix, so no bucket collects them.
    static std::uint64_t Mix(std::uint64_t x) {
        x ^= x >> 30;
        x *= 0xbf58476d1ce4e5b9ULL;
        x ^= x >> 27;
        x *= 0x94d049bb133111ebULL;
        return x ^ (x >> 31);
    }
    size_t operator()(const Owner& o) const noexcept {
        const std::uint64_t h = Mix(reinterpret_cast<std::uintptr_t>(o.proc));
        return static_cast<size_t>(Mix(h ^ reinterpret_cast<std::uintptr_t>(o.param)));
    }
};

// An owner's registrations: the code and the position in that code's list. The first few are held in
// place, since owners register for a handful of codes.
class Registrations {
public:
    struct Slot {
        int code;
        size_t pos;
    };
    Slot* Find(int code) {
        for (size_t i = 0; i < Size(); ++i)
            if (At(i).code == code) return &At(i);
        return nullptr;
    }
    void Add(Slot slot) {
        if (inPlace_ < kInPlace)
            slots_[inPlace_++] = slot;
        else
            more_.push_back(slot);
    }
    void Erase(Slot* slot) {
        // The last one takes its place; the order of an owner's codes does not matter.
        *slot = At(Size() - 1);
        if (!more_.empty())
            more_.pop_back();
        else
            --inPlace_;
    }
    size_t Size() const { return inPlace_ + more_.size(); }
    Slot& At(size_t i) { return i < kInPlace ? slots_[i] : more_[i - kInPlace]; }

private:
    static constexpr size_t kInPlace = 4;
    Slot slots_[kInPlace] = {};
    size_t inPlace_ = 0;
    std::vector<Slot> more_;
};

// The owners' registrations by owner: open addressing with linear probing in one array of slots, at most
// half full, and the registrations in a pool where they keep their address. Records register as they
// are made, and a load makes 100k of them: a lookup touches one slot (a node-based map walked a bucket
// chain of nodes scattered through memory, a miss in the cache at every step).
class OwnerIndex {
public:
    Registrations* Find(const Owner& o) {
        if (slots_.empty()) return nullptr;
        for (size_t i = Home(o);; i = Next(i)) {
            const Slot& s = slots_[i];
            if (!s.owner.proc) return nullptr;
            if (s.owner == o) return &pool_[s.regs];
        }
    }
    Registrations& FindOrAdd(const Owner& o) {
        if (2 * (used_ + 1) > slots_.size()) Grow();
        size_t i = Home(o);
        for (; slots_[i].owner.proc; i = Next(i))
            if (slots_[i].owner == o) return pool_[slots_[i].regs];
        std::uint32_t regs;
        if (!free_.empty()) {
            regs = free_.back();
            free_.pop_back();
        } else {
            regs = static_cast<std::uint32_t>(pool_.size());
            pool_.emplace_back();
        }
        slots_[i] = Slot{o, regs};
        ++used_;
        return pool_[regs];
    }
    // Takes the owner out; its registrations' place is reused by a later owner.
    void Erase(const Owner& o) {
        if (slots_.empty()) return;
        size_t hole = Home(o);
        for (; slots_[hole].owner.proc; hole = Next(hole))
            if (slots_[hole].owner == o) break;
        if (!slots_[hole].owner.proc) return;
        pool_[slots_[hole].regs] = Registrations();
        free_.push_back(slots_[hole].regs);
        --used_;
        // Later slots of the probe run move back into the hole when their home allows it, so a lookup
        // never meets an empty slot before its owner.
        for (size_t j = Next(hole); slots_[j].owner.proc; j = Next(j)) {
            const size_t home = Home(slots_[j].owner);
            const bool between = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
            if (between) continue;
            slots_[hole] = slots_[j];
            hole = j;
        }
        slots_[hole] = Slot{};
    }
    void Clear() {
        slots_.clear();
        pool_.clear();
        free_.clear();
        used_ = 0;
    }

private:
    struct Slot {
        Owner owner{};
        std::uint32_t regs = 0;
    };
    size_t Home(const Owner& o) const { return OwnerHash{}(o) & (slots_.size() - 1); }
    size_t Next(size_t i) const { return (i + 1) & (slots_.size() - 1); }
    void Grow() {
        std::vector<Slot> old(std::max<size_t>(64, 2 * slots_.size()));
        old.swap(slots_);
        for (const Slot& s : old) {
            if (!s.owner.proc) continue;
            size_t i = Home(s.owner);
            while (slots_[i].owner.proc) i = Next(i);
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    std::deque<Registrations> pool_;
    std::vector<std::uint32_t> free_;
    size_t used_ = 0;
};

// A live entry points at its owner's registrations (they do not move in the index's pool), so that closing up
// a list of 100k entries moves their positions along without looking every owner up; a hole has none.
struct Entry {
    NOTIFYPROC proc;
    void* param;
    Registrations* owner;
    bool Live() const { return owner != nullptr; }
};

// Removed entries stay as holes until no broadcast is running, so a broadcast can walk the list by
// position while its handlers register and unregister.
struct CodeList {
    std::vector<Entry> entries;
    size_t dead = 0;
    bool compactPending = false;
};

struct Table {
    // Node-based: a CodeList stays where it is while codes are added during a broadcast.
    std::unordered_map<int, CodeList> lists;
    OwnerIndex index;
    // The owner registered last and its registrations: an owner registers its codes one call after
    // another, so only the first call of a run looks up. Erasing the owner forgets it here.
    Owner lastOwner{};
    Registrations* last = nullptr;
    int broadcastDepth = 0;
    std::vector<int> pending;
};

Table& T() {
    static Table table;
    return table;
}

void Compact(int code, CodeList& cl) {
    cl.compactPending = false;
    if (cl.dead == 0) return;
    size_t out = 0;
    for (size_t i = 0; i < cl.entries.size(); ++i) {
        const Entry& e = cl.entries[i];
        if (!e.Live()) continue;
        cl.entries[out] = e;
        if (Registrations::Slot* slot = e.owner->Find(code)) slot->pos = out;
        ++out;
    }
    cl.entries.resize(out);
    cl.dead = 0;
}

// Compacting once the holes outnumber the live entries keeps removal amortized constant.
void MaybeCompact(Table& t, int code, CodeList& cl) {
    if (cl.dead < 16 || cl.dead * 2 < cl.entries.size()) return;
    if (t.broadcastDepth > 0) {
        if (!cl.compactPending) {
            cl.compactPending = true;
            t.pending.push_back(code);
        }
        return;
    }
    Compact(code, cl);
}

// Marks the entry a slot points at as a hole.
void Kill(Table& t, const Registrations::Slot& slot) {
    CodeList& cl = t.lists[slot.code];
    cl.entries[slot.pos].owner = nullptr;
    ++cl.dead;
}

// Takes an owner out of the index.
void Forget(Table& t, const Owner& owner) {
    if (t.last && t.lastOwner == owner) t.last = nullptr;
    t.index.Erase(owner);
}

struct BroadcastDepth {
    Table& t;
    explicit BroadcastDepth(Table& table) : t(table) { ++t.broadcastDepth; }
    ~BroadcastDepth() {
        if (--t.broadcastDepth > 0) return;
        std::vector<int> pending;
        pending.swap(t.pending);
        for (int code : pending) {
            auto it = t.lists.find(code);
            if (it != t.lists.end()) Compact(code, it->second);
        }
    }
};

struct CodeName {
    int code;
    const wchar_t* name;
};

constexpr CodeName kCodeNames[] = {
    {NOTIFY_UNITS_CHANGE, L"NOTIFY_UNITS_CHANGE"},
    {NOTIFY_TIMEUNITS_CHANGE, L"NOTIFY_TIMEUNITS_CHANGE"},
    {NOTIFY_VIEWPORT_CHANGE, L"NOTIFY_VIEWPORT_CHANGE"},
    {NOTIFY_SPACEMODE_CHANGE, L"NOTIFY_SPACEMODE_CHANGE"},
    {NOTIFY_SYSTEM_PRE_RESET, L"NOTIFY_SYSTEM_PRE_RESET"},
    {NOTIFY_SYSTEM_POST_RESET, L"NOTIFY_SYSTEM_POST_RESET"},
    {NOTIFY_SYSTEM_PRE_NEW, L"NOTIFY_SYSTEM_PRE_NEW"},
    {NOTIFY_SYSTEM_POST_NEW, L"NOTIFY_SYSTEM_POST_NEW"},
    {NOTIFY_FILE_PRE_OPEN, L"NOTIFY_FILE_PRE_OPEN"},
    {NOTIFY_FILE_POST_OPEN, L"NOTIFY_FILE_POST_OPEN"},
    {NOTIFY_FILE_PRE_MERGE, L"NOTIFY_FILE_PRE_MERGE"},
    {NOTIFY_FILE_POST_MERGE, L"NOTIFY_FILE_POST_MERGE"},
    {NOTIFY_FILE_PRE_SAVE, L"NOTIFY_FILE_PRE_SAVE"},
    {NOTIFY_FILE_POST_SAVE, L"NOTIFY_FILE_POST_SAVE"},
    {NOTIFY_FILE_OPEN_FAILED, L"NOTIFY_FILE_OPEN_FAILED"},
    {NOTIFY_SELECTIONSET_CHANGED, L"NOTIFY_SELECTIONSET_CHANGED"},
    {NOTIFY_PRE_RENDER, L"NOTIFY_PRE_RENDER"},
    {NOTIFY_POST_RENDER, L"NOTIFY_POST_RENDER"},
    {NOTIFY_NODE_CREATED, L"NOTIFY_NODE_CREATED"},
    {NOTIFY_NODE_LINKED, L"NOTIFY_NODE_LINKED"},
    {NOTIFY_NODE_UNLINKED, L"NOTIFY_NODE_UNLINKED"},
    {NOTIFY_NODE_HIDE, L"NOTIFY_NODE_HIDE"},
    {NOTIFY_NODE_UNHIDE, L"NOTIFY_NODE_UNHIDE"},
    {NOTIFY_NODE_FREEZE, L"NOTIFY_NODE_FREEZE"},
    {NOTIFY_NODE_UNFREEZE, L"NOTIFY_NODE_UNFREEZE"},
    {NOTIFY_NODE_PRE_MTL, L"NOTIFY_NODE_PRE_MTL"},
    {NOTIFY_NODE_POST_MTL, L"NOTIFY_NODE_POST_MTL"},
    {NOTIFY_SCENE_ADDED_NODE, L"NOTIFY_SCENE_ADDED_NODE"},
    {NOTIFY_SCENE_PRE_DELETED_NODE, L"NOTIFY_SCENE_PRE_DELETED_NODE"},
    {NOTIFY_SCENE_POST_DELETED_NODE, L"NOTIFY_SCENE_POST_DELETED_NODE"},
    {NOTIFY_SEL_NODES_PRE_DELETE, L"NOTIFY_SEL_NODES_PRE_DELETE"},
    {NOTIFY_SEL_NODES_POST_DELETE, L"NOTIFY_SEL_NODES_POST_DELETE"},
    {NOTIFY_SYSTEM_SHUTDOWN, L"NOTIFY_SYSTEM_SHUTDOWN"},
    {NOTIFY_SYSTEM_STARTUP, L"NOTIFY_SYSTEM_STARTUP"},
    {NOTIFY_SCENE_XREF_PRE_MERGE, L"NOTIFY_SCENE_XREF_PRE_MERGE"},
    {NOTIFY_SCENE_XREF_POST_MERGE, L"NOTIFY_SCENE_XREF_POST_MERGE"},
    {NOTIFY_PRE_MODIFIER_ADDED, L"NOTIFY_PRE_MODIFIER_ADDED"},
    {NOTIFY_POST_MODIFIER_ADDED, L"NOTIFY_POST_MODIFIER_ADDED"},
    {NOTIFY_PRE_MODIFIER_DELETED, L"NOTIFY_PRE_MODIFIER_DELETED"},
    {NOTIFY_POST_MODIFIER_DELETED, L"NOTIFY_POST_MODIFIER_DELETED"},
    {NOTIFY_NODE_BONE_PROPERTIES_CHANGED, L"NOTIFY_NODE_BONE_PROPERTIES_CHANGED"},
    {NOTIFY_NODE_USER_PROPERTIES_CHANGED, L"NOTIFY_NODE_USER_PROPERTIES_CHANGED"},
    {NOTIFY_LAYER_CREATED, L"NOTIFY_LAYER_CREATED"},
    {NOTIFY_LAYER_DELETED, L"NOTIFY_LAYER_DELETED"},
    {NOTIFY_NODE_LAYER_CHANGED, L"NOTIFY_NODE_LAYER_CHANGED"},
    {NOTIFY_NODE_RENAMED, L"NOTIFY_NODE_RENAMED"},
    {NOTIFY_FILE_PRE_OPEN_PROCESS, L"NOTIFY_FILE_PRE_OPEN_PROCESS"},
    {NOTIFY_NAMED_SEL_SET_CREATED, L"NOTIFY_NAMED_SEL_SET_CREATED"},
    {NOTIFY_NAMED_SEL_SET_DELETED, L"NOTIFY_NAMED_SEL_SET_DELETED"},
    {NOTIFY_NAMED_SEL_SET_PRE_MODIFY, L"NOTIFY_NAMED_SEL_SET_PRE_MODIFY"},
    {NOTIFY_NAMED_SEL_SET_POST_MODIFY, L"NOTIFY_NAMED_SEL_SET_POST_MODIFY"},
    {NOTIFY_NAMED_SEL_SET_RENAMED, L"NOTIFY_NAMED_SEL_SET_RENAMED"},
    {NOTIFY_NODE_RENDER_PROPERTIES_CHANGED, L"NOTIFY_NODE_RENDER_PROPERTIES_CHANGED"},
    {NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED, L"NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED"},
    {NOTIFY_CUSTOM_ATTRIBUTES_ADDED, L"NOTIFY_CUSTOM_ATTRIBUTES_ADDED"},
    {NOTIFY_CUSTOM_ATTRIBUTES_REMOVED, L"NOTIFY_CUSTOM_ATTRIBUTES_REMOVED"},
    {NOTIFY_FILE_POST_MERGE_PROCESS, L"NOTIFY_FILE_POST_MERGE_PROCESS"},
};

} // namespace

int RegisterNotification(NOTIFYPROC proc, void* param, int code) {
    if (!proc) return 0;
    Table& t = T();
    CodeList& cl = t.lists[code];
    const Owner owner{proc, param};
    if (!t.last || !(t.lastOwner == owner)) {
        t.last = &t.index.FindOrAdd(owner);
        t.lastOwner = owner;
    }
    Registrations& own = *t.last;
    if (own.Find(code)) return 1;
    own.Add(Registrations::Slot{code, cl.entries.size()});
    cl.entries.push_back(Entry{proc, param, &own});
    return 1;
}

int UnRegisterNotification(NOTIFYPROC proc, void* param, int code) {
    Table& t = T();
    const Owner owner{proc, param};
    Registrations* own = t.index.Find(owner);
    if (!own) return 0;
    Registrations::Slot* slot = own->Find(code);
    if (!slot) return 0;
    Kill(t, *slot);
    own->Erase(slot);
    if (own->Size() == 0) Forget(t, owner);
    MaybeCompact(t, code, t.lists[code]);
    return 1;
}

int UnRegisterNotification(NOTIFYPROC proc, void* param) {
    Table& t = T();
    const Owner owner{proc, param};
    Registrations* found = t.index.Find(owner);
    if (!found) return 0;
    // Its entries become holes before its registrations leave the index: a hole points at no owner.
    Registrations own = std::move(*found);
    for (size_t i = 0; i < own.Size(); ++i) Kill(t, own.At(i));
    Forget(t, owner);
    for (size_t i = 0; i < own.Size(); ++i) MaybeCompact(t, own.At(i).code, t.lists[own.At(i).code]);
    return 1;
}

void BroadcastNotification(int code) { BroadcastNotification(code, nullptr); }

void BroadcastNotification(int code, void* callParam) {
    Table& t = T();
    auto it = t.lists.find(code);
    if (it == t.lists.end()) return;
    CodeList& cl = it->second;
    BroadcastDepth depth(t);
    // Only the handlers present when the broadcast starts are candidates.
    const size_t n = cl.entries.size();
    for (size_t i = 0; i < n; ++i) {
        Entry e = cl.entries[i];
        if (!e.Live()) continue;
        NotifyInfo info{code, callParam};
        e.proc(e.param, &info);
    }
}

MSTR NotificationCodeName(int code) {
    for (const CodeName& c : kCodeNames)
        if (c.code == code) return MSTR(c.name);
    return MSTR::Format(L"0x%X", static_cast<unsigned>(code));
}

int NumRegisteredNotifications(int code) {
    Table& t = T();
    auto it = t.lists.find(code);
    if (it == t.lists.end()) return 0;
    return static_cast<int>(it->second.entries.size() - it->second.dead);
}

MSTR DumpNotifications() {
    Table& t = T();
    std::vector<std::pair<int, int>> counts;
    for (const auto& [code, cl] : t.lists) {
        int live = static_cast<int>(cl.entries.size() - cl.dead);
        if (live > 0) counts.emplace_back(code, live);
    }
    std::sort(counts.begin(), counts.end());
    MSTR out;
    for (const auto& [code, live] : counts)
        out += MSTR::Format(L"%s: %d handler%s\n", NotificationCodeName(code).data(), live, live == 1 ? L"" : L"s");
    return out;
}

void ResetNotificationsForTests() {
    Table& t = T();
    t.last = nullptr;
    t.index.Clear();
    for (auto& [code, cl] : t.lists) {
        for (Entry& e : cl.entries) e.owner = nullptr;
        cl.dead = cl.entries.size();
        if (t.broadcastDepth == 0) Compact(code, cl);
    }
    if (t.broadcastDepth == 0) {
        t.lists.clear();
        t.pending.clear();
    }
}
