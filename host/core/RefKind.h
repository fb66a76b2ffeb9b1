// What a reference slot accepts: a file may name any object for any reference, so a class that keeps a
// typed pointer (or casts a stored one when reading) takes only targets of the kind its slot holds.
#pragma once

#include "host/core/ReferenceTarget.h"

// t as a T, or null when t is of another kind.
template <class T> T* RefAs(ReferenceTarget* t) { return t ? dynamic_cast<T*>(t) : nullptr; }

// t when its super class is s, else null.
inline ReferenceTarget* RefOfSuperClass(ReferenceTarget* t, SClass_ID s) {
    return t && t->SuperClassID() == s ? t : nullptr;
}
