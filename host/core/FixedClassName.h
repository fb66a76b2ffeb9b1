// The class name of an animatable as a text kept in place, for callers that name many steps.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/MaxTypes.h"

// An extension of this host beside GetClassName (which the SDK's classes answer by filling a string): a
// class whose name its descriptor keeps answers GetInterface(I_FIXED_CLASS_NAME) with that text, exactly
// what GetClassName gives for either localized flag, kept in place while the class is registered. A class
// that makes its name answers null, and callers ask GetClassName.
constexpr ULONG I_FIXED_CLASS_NAME = 0x8A11F0E2;

// GetClassName's text kept in place, or null where anim's class keeps none.
inline const MCHAR* FixedClassName(Animatable* anim) {
    return static_cast<const MCHAR*>(anim->GetInterface(I_FIXED_CLASS_NAME));
}
