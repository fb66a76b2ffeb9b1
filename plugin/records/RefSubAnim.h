// One entry of a record's remembered tree of sub-animatables, kept to notice when the item's structure changes.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/WStr.h"

#include <memory>
#include <string>
#include <vector>

// Stands for one animatable (a plain pointer: the record holds no reference to it) with its children in
// walk order; a null child entry stands for an empty position. The handle lets a dump tell an animatable
// that has gone since the tree was taken. Child names are kept only for the animatables whose children the
// walk names (custom attribute containers and the like).
class RefSubAnim {
public:
    explicit RefSubAnim(Animatable* anim);
    RefSubAnim(const RefSubAnim&) = delete;
    RefSubAnim& operator=(const RefSubAnim&) = delete;

    Animatable* GetAnim() const { return anim_; }
    // Still the animatable the entry was made for (compared by handle, so a freed one never matches).
    bool StandsFor(Animatable* anim) const;

    int NumChildren() const { return static_cast<int>(children_.size()); }
    // Null for an empty position and out of range.
    RefSubAnim* GetChild(int i) const;
    RefSubAnim* AppendChild(Animatable* anim);
    void AppendNullChild() { children_.push_back(nullptr); }

    const std::vector<WStr>& GetNames() const { return names_; }
    void AppendName(const WStr& name) { names_.push_back(name); }

    // Entries in the tree, this one included (null positions not counted).
    int CountEntries() const;
    // One line per entry, indented by depth: "Box (Box01)", "  CAC: [Custom A]", "  <null>", "<gone>".
    std::string Dump(int depth = 0) const;

private:
    Animatable* anim_;
    AnimHandle handle_;
    std::vector<std::unique_ptr<RefSubAnim>> children_;
    std::vector<WStr> names_;
};
