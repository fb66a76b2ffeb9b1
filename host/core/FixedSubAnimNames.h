// The names of an animatable's sub-animatables as fixed texts, for callers that name many steps.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/MaxTypes.h"

// An extension of this host beside SubAnimName (which the SDK's classes answer alone, as a new string
// each time): a class whose sub-animatable names are fixed words answers GetInterface(I_FIXED_SUBANIM_NAMES)
// with its table of them, kept in place for the life of the program. names[i] is exactly the text
// SubAnimName(i) gives, for every instance and either localized flag, for i below count; a class whose
// names vary (by instance, by language) answers null, and callers ask SubAnimName.
constexpr ULONG I_FIXED_SUBANIM_NAMES = 0x8A11F0E1;

struct FixedSubAnimNames {
    const MCHAR* const* names;
    int count;
};

// SubAnimName(i)'s text kept in place, or null where anim keeps no fixed table or i is outside it.
inline const MCHAR* FixedSubAnimName(Animatable* anim, int i) {
    const auto* table = static_cast<const FixedSubAnimNames*>(anim->GetInterface(I_FIXED_SUBANIM_NAMES));
    return table && i >= 0 && i < table->count ? table->names[i] : nullptr;
}
