// The host's numbering of names that must not collide: "Box" -> "Box001", "Box01" -> "Box02".
#pragma once

#include "host/core/WStr.h"

#include <algorithm>
#include <string>

// name with the run of decimal digits at its end counted up by one, written with the run's own width (3
// digits without a run) and at least minWidth digits: "Box" -> "Box001", "Box01" -> "Box02" (minWidth 0),
// "Mat9" -> "Mat010" (minWidth 3), "Mat999" -> "Mat1000". The count is done on the digits themselves, so a
// run of any length counts up without overflow.
inline WStr NextNumberedName(const WStr& name, int minWidth) {
    std::wstring s = name.str();
    size_t start = s.size();
    while (start > 0 && s[start - 1] >= L'0' && s[start - 1] <= L'9')
        --start;
    const size_t runWidth = s.size() - start;
    std::wstring digits = runWidth ? s.substr(start) : std::wstring(L"0");
    size_t i = digits.size();
    while (i > 0 && digits[i - 1] == L'9')
        digits[--i] = L'0';
    if (i == 0)
        digits.insert(digits.begin(), L'1');
    else
        ++digits[i - 1];
    // The value without the old run's leading zeros, then padded to the width.
    digits.erase(0, std::min(digits.find_first_not_of(L'0'), digits.size() - 1));
    const size_t width = std::max<size_t>(runWidth ? runWidth : 3, static_cast<size_t>(std::max(minWidth, 0)));
    if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
    s.replace(start, std::wstring::npos, digits);
    return WStr(std::move(s));
}

// The first free name after name, counting up as NextNumberedName does. taken(candidate) says whether a
// candidate is in use; name itself is not tried.
template <class Taken> WStr NextFreeNumberedName(const WStr& name, int minWidth, Taken&& taken) {
    WStr candidate = NextNumberedName(name, minWidth);
    while (taken(candidate))
        candidate = NextNumberedName(candidate, minWidth);
    return candidate;
}
