// The host's numbering of names that must not collide: "Box" -> "Box001", "Box01" -> "Box02".
#pragma once

#include "host/core/WStr.h"

#include <algorithm>
#include <cwchar>

// The first free name after name: the run of digits at its end counts up (a name without one gets
// "001"), written with the run's own width, or 3 digits without a run, and at least minWidth digits.
// taken(candidate) says whether a candidate is in use; name itself is not tried.
template <class Taken> WStr NextFreeNumberedName(const WStr& name, int minWidth, Taken&& taken) {
    int end = name.Length();
    while (end > 0 && name[end - 1] >= L'0' && name[end - 1] <= L'9') --end;
    const WStr base = name.Substr(0, end);
    const int digits = name.Length() - end;
    long n = digits ? std::wcstol(name.c_str() + end, nullptr, 10) : 0;
    const int width = std::max(digits ? digits : 3, minWidth);
    for (;;) {
        WStr candidate = base + WStr::Format(L"%0*ld", width, ++n);
        if (!taken(candidate)) return candidate;
    }
}
