// Text forms of identifiers and interval arithmetic.
#include "host/core/MaxTypes.h"

#include <algorithm>
#include <cstdio>

namespace {
std::string HexPair(ULONG a, ULONG b) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "(0x%x, 0x%x)", a, b);
    return buf;
}
} // namespace

std::string Class_ID::ToString() const { return HexPair(a_, b_); }
std::string Interface_ID::ToString() const { return HexPair(a_, b_); }

Interval Interval::operator&(const Interval& o) const {
    if (Empty() || o.Empty()) return NEVER;
    TimeValue s = std::max(start_, o.start_);
    TimeValue e = std::min(end_, o.end_);
    if (s > e) return NEVER;
    return {s, e};
}
