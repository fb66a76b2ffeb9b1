// The host's ordered table. Out-of-range access throws the host's range exception, never reads past the end.
#pragma once

#include "host/core/MaxException.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

template <class T> class Tab {
public:
    Tab() = default;
    Tab(std::initializer_list<T> items) : v_(items) {}

    int Count() const { return static_cast<int>(v_.size()); }
    int length() const { return Count(); }
    void SetCount(int n) { v_.resize(n < 0 ? 0 : static_cast<size_t>(n)); }
    void ZeroCount() { v_.clear(); }
    void Init() { v_.clear(); }
    void Resize(int n) { v_.reserve(n < 0 ? 0 : static_cast<size_t>(n)); }
    void Shrink() { v_.shrink_to_fit(); }

    T& operator[](int i) {
        Check(i);
        return v_[static_cast<size_t>(i)];
    }
    const T& operator[](int i) const {
        Check(i);
        return v_[static_cast<size_t>(i)];
    }

    // Appends num items; returns the index of the first.
    int Append(int num, const T* items, int /*allocExtra*/ = 0) {
        int at = Count();
        v_.insert(v_.end(), items, items + num);
        return at;
    }
    int Append(const T& item) {
        v_.push_back(item);
        return Count() - 1;
    }
    // Inserts num items before position at (0..Count()); returns at.
    int Insert(int at, int num, const T* items) {
        if (at < 0 || at > Count()) throw MaxSDK::Util::OutOfRangeException(kTabRangeErrorText);
        v_.insert(v_.begin() + at, items, items + num);
        return at;
    }
    // Deletes num items from start; returns the new count.
    int Delete(int start, int num) {
        if (start < 0 || num < 0 || start + num > Count()) throw MaxSDK::Util::OutOfRangeException(kTabRangeErrorText);
        v_.erase(v_.begin() + start, v_.begin() + start + num);
        return Count();
    }
    int Find(const T& item) const {
        auto it = std::find(v_.begin(), v_.end(), item);
        return it == v_.end() ? -1 : static_cast<int>(it - v_.begin());
    }
    void Reverse() { std::reverse(v_.begin(), v_.end()); }
    T* Addr(int i) { return &(*this)[i]; }

    auto begin() { return v_.begin(); }
    auto end() { return v_.end(); }
    auto begin() const { return v_.begin(); }
    auto end() const { return v_.end(); }
    bool operator==(const Tab&) const = default;
    std::vector<T>& Vector() { return v_; }
    const std::vector<T>& Vector() const { return v_; }

private:
    void Check(int i) const {
        if (i < 0 || i >= Count()) throw MaxSDK::Util::OutOfRangeException(kTabRangeErrorText);
    }
    std::vector<T> v_;
};
