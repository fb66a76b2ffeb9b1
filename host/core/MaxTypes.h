// Scalar types, identifiers and time intervals that every host API is written in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using LRESULT = std::intptr_t;
using HINSTANCE = void*;
using HWND = void*;
using MCHAR = wchar_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

using SClass_ID = ULONG;

// Identifies a class within its super class; the pair (super class, Class_ID) is a class's identity in
// scene files.
class Class_ID {
public:
    constexpr Class_ID() = default;
    constexpr Class_ID(ULONG a, ULONG b) : a_(a), b_(b) {}
    constexpr ULONG PartA() const { return a_; }
    constexpr ULONG PartB() const { return b_; }
    void SetPartA(ULONG a) { a_ = a; }
    void SetPartB(ULONG b) { b_ = b; }
    constexpr bool operator==(const Class_ID&) const = default;
    constexpr bool operator<(const Class_ID& o) const { return a_ != o.a_ ? a_ < o.a_ : b_ < o.b_; }
    std::string ToString() const; // "(0x8663dfa5, 0x3f273879)"

private:
    ULONG a_ = 0xFFFFFFFF;
    ULONG b_ = 0xFFFFFFFF;
};

// Identifies a function-publishing interface.
class Interface_ID {
public:
    constexpr Interface_ID() = default;
    constexpr Interface_ID(ULONG a, ULONG b) : a_(a), b_(b) {}
    constexpr ULONG PartA() const { return a_; }
    constexpr ULONG PartB() const { return b_; }
    constexpr bool operator==(const Interface_ID&) const = default;
    constexpr bool operator<(const Interface_ID& o) const { return a_ != o.a_ ? a_ < o.a_ : b_ < o.b_; }
    std::string ToString() const;

private:
    ULONG a_ = 0;
    ULONG b_ = 0;
};

template <> struct std::hash<Class_ID> {
    size_t operator()(const Class_ID& c) const noexcept {
        return std::hash<std::uint64_t>()((std::uint64_t(c.PartA()) << 32) | c.PartB());
    }
};
template <> struct std::hash<Interface_ID> {
    size_t operator()(const Interface_ID& c) const noexcept {
        return std::hash<std::uint64_t>()((std::uint64_t(c.PartA()) << 32) | c.PartB());
    }
};

// Time is counted in ticks, 4800 to the second.
using TimeValue = int;
constexpr int TIME_TICKSPERSEC = 4800;
constexpr TimeValue TIME_NegInfinity = static_cast<TimeValue>(0x80000000);
constexpr TimeValue TIME_PosInfinity = 0x7fffffff;

// A closed range of time; empty when start > end.
class Interval {
public:
    constexpr Interval() : start_(TIME_NegInfinity), end_(TIME_NegInfinity) {}
    constexpr Interval(TimeValue s, TimeValue e) : start_(s), end_(e) {}
    constexpr TimeValue Start() const { return start_; }
    constexpr TimeValue End() const { return end_; }
    void Set(TimeValue s, TimeValue e) { start_ = s; end_ = e; }
    void SetStart(TimeValue s) { start_ = s; }
    void SetEnd(TimeValue e) { end_ = e; }
    void SetInfinite() { start_ = TIME_NegInfinity; end_ = TIME_PosInfinity; }
    void SetEmpty() { start_ = TIME_NegInfinity; end_ = TIME_NegInfinity; }
    void SetInstant(TimeValue t) { start_ = end_ = t; }
    bool Empty() const { return start_ == TIME_NegInfinity && end_ == TIME_NegInfinity; }
    bool InInterval(TimeValue t) const { return !Empty() && t >= start_ && t <= end_; }
    TimeValue Duration() const { return end_ - start_ + 1; }
    // Intersection, as the host's operator& does.
    Interval operator&(const Interval& o) const;
    Interval& operator&=(const Interval& o) { return *this = *this & o; }
    constexpr bool operator==(const Interval&) const = default;

private:
    TimeValue start_;
    TimeValue end_;
};

constexpr Interval FOREVER(TIME_NegInfinity, TIME_PosInfinity);
constexpr Interval NEVER(TIME_NegInfinity, TIME_NegInfinity);
