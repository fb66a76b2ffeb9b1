// What a node record keeps of each modifier on its node's stack, and of the user's deletions, renames and
// toggles of modifiers from the file. Plain data: the node record owns the entries and holds the modifiers
// as its own references.
#pragma once

#include "host/core/SlabPool.h"
#include "host/core/WStr.h"
#include "host/scene/Modifier.h"

#include <cstdint>
#include <memory>

// States of a modifier entry.
constexpr std::uint8_t REFMOD_FROM_FILE = 0;
constexpr std::uint8_t REFMOD_ADDED_LOCALLY = 1;
constexpr std::uint8_t REFMOD_NESTED_DERIVED = 3;
constexpr std::uint8_t REFMOD_KEPT_LOCALLY = 4;

class IDerivedObject;

struct RefModifier {
    // Every modifier on every referenced node has an entry, made by the load and freed by the reload that
    // drops its record: entries share the host's slabs instead of a heap block each.
    static void* operator new(std::size_t size) { return SlabPool::Allocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept { SlabPool::Free(p, size); }

    // The modifier; the record's SetReference writes it. While a holder keeps it, its first modifier.
    Modifier* modifier = nullptr;
    // A local modifier whose context holds local data, kept with that context while the content is out
    // of the scene: a derived object over a placeholder object. The record's reference for the entry is
    // the holder when there is one, else the modifier.
    IDerivedObject* holder = nullptr;
    std::uint8_t state = REFMOD_FROM_FILE;
    WStr name;
    // Counted from the bottom of the whole stack.
    std::int32_t index = 0;
    // 0x1 enabled, 0x2 enabled in viewports, 0x4 enabled in renders.
    std::uint8_t toggles = 0;
    // A local modifier's context (transform and box), so it can be put back on a fresh stack.
    std::unique_ptr<ModContext> context;
};

struct ModDeleted {
    WStr name;
    std::int32_t index = 0;
    // Used while the entries of instances are merged.
    std::int32_t matched = 0;
};

struct ModChangedName {
    WStr oldName;
    std::int32_t index = 0;
    WStr newName;
};

struct ModChangedToggles {
    WStr name;
    std::int32_t index = 0;
    std::uint8_t toggles = 0;
};
