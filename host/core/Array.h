// The host SDK's growable array. Out-of-range access throws the host's range exception with the text
// that argument lists of published functions report for a missing argument.
#pragma once

#include "host/core/MaxException.h"

#include <initializer_list>
#include <vector>

namespace MaxSDK {

template <class T> class Array {
public:
    Array() = default;
    Array(std::initializer_list<T> items) : v_(items) {}

    size_t length() const { return v_.size(); }
    bool isEmpty() const { return v_.empty(); }
    void clear() { v_.clear(); }
    void reserve(size_t n) { v_.reserve(n); }
    // Grows with default values or drops the tail.
    void setLengthUsed(size_t n) { v_.resize(n); }

    Array& append(const T& item) {
        v_.push_back(item);
        return *this;
    }
    Array& append(T&& item) {
        v_.push_back(std::move(item));
        return *this;
    }
    // Inserts before position at (0..length()).
    Array& insertAt(size_t at, const T& item) {
        if (at > v_.size()) throw Util::OutOfRangeException(kArrayRangeErrorText);
        v_.insert(v_.begin() + static_cast<std::ptrdiff_t>(at), item);
        return *this;
    }
    Array& removeAt(size_t at) {
        Check(at);
        v_.erase(v_.begin() + static_cast<std::ptrdiff_t>(at));
        return *this;
    }

    T& operator[](size_t i) {
        Check(i);
        return v_[i];
    }
    const T& operator[](size_t i) const {
        Check(i);
        return v_[i];
    }
    // Signed indices as plug-in code passes them; a negative index is out of range, not a huge one.
    T& operator[](int i) { return (*this)[CheckedIndex(i)]; }
    const T& operator[](int i) const { return (*this)[CheckedIndex(i)]; }

    auto begin() { return v_.begin(); }
    auto end() { return v_.end(); }
    auto begin() const { return v_.begin(); }
    auto end() const { return v_.end(); }
    bool operator==(const Array&) const = default;

private:
    void Check(size_t i) const {
        if (i >= v_.size()) throw Util::OutOfRangeException(kArrayRangeErrorText);
    }
    static size_t CheckedIndex(int i) {
        if (i < 0) throw Util::OutOfRangeException(kArrayRangeErrorText);
        return static_cast<size_t>(i);
    }
    std::vector<T> v_;
};

} // namespace MaxSDK
