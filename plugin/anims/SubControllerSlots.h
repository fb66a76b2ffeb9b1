// The sub-controllers a compound controller held when its mirror last followed it, by handle: what tells a
// controller the user assigned into a slot from the one the referenced file put there.
#pragma once

#include "host/core/Animatable.h"

#include <array>

template <int N> class SubControllerSlots {
public:
    // Remembers the first N sub-animatables of anim (none without anim).
    void Take(Animatable* anim) {
        for (int k = 0; k < N; ++k) handles_[k] = Handle(At(anim, k));
    }
    void Clear() { handles_.fill(0); }
    // Whether slot k of anim holds something else than what was remembered there.
    bool Differs(Animatable* anim, int k) const { return Handle(At(anim, k)) != handles_[k]; }
    bool AnyDiffers(Animatable* anim) const {
        for (int k = 0; k < N; ++k)
            if (Differs(anim, k)) return true;
        return false;
    }
    static Animatable* At(Animatable* anim, int k) { return anim && k < anim->NumSubs() ? anim->SubAnim(k) : nullptr; }

private:
    static AnimHandle Handle(Animatable* a) { return a ? Animatable::GetHandleByAnim(a) : 0; }
    std::array<AnimHandle, N> handles_{};
};
