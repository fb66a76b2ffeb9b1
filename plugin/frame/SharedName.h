// A name that many holders keep one copy of: one pointer wide, counted, freed with its last holder.
#pragma once

#include "host/core/WStr.h"

// A material is used by many nodes, and each node's record mirrors it with its name: the text is kept
// once for all holders of an equal name instead of once per mirror. Unlike a path step's name, which a
// session meets a few dozen of, these names come from the user's content, so the last holder frees one.
// The host makes and drops mirrors on its main thread only; the table is not locked.
class SharedName {
public:
    SharedName();
    explicit SharedName(const WStr& text);
    SharedName(const SharedName& other);
    SharedName& operator=(const SharedName& other);
    SharedName& operator=(const WStr& text);
    ~SharedName();

    const WStr& Str() const;
    operator const WStr&() const { return Str(); }

    // Distinct names held now (the empty one included): what the table keeps.
    static size_t NumStored();

    // One stored text with its holders; opaque outside the table.
    struct Entry;

private:
    static Entry* Acquire(const WStr& text);
    static void Release(Entry* e);

    Entry* entry_;
};
