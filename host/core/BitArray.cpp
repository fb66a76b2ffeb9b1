// Bit array storage and the script form of its text.
#include "host/core/BitArray.h"

#include "host/core/MaxException.h"

#include <bit>

namespace {
void CheckIndex(int i, int size) {
    if (i < 0 || i >= size) throw MaxSDK::Util::OutOfRangeException(kTabRangeErrorText);
}
} // namespace

void BitArray::SetSize(int n, bool save) {
    if (n < 0) n = 0;
    if (!save) words_.assign(static_cast<size_t>((n + 63) / 64), 0);
    else words_.resize(static_cast<size_t>((n + 63) / 64), 0);
    size_ = n;
    Trim();
}

void BitArray::Set(int i) {
    CheckIndex(i, size_);
    words_[static_cast<size_t>(i / 64)] |= std::uint64_t(1) << (i % 64);
}

void BitArray::Clear(int i) {
    CheckIndex(i, size_);
    words_[static_cast<size_t>(i / 64)] &= ~(std::uint64_t(1) << (i % 64));
}

void BitArray::SetAll() {
    for (auto& w : words_) w = ~std::uint64_t(0);
    Trim();
}

void BitArray::ClearAll() {
    for (auto& w : words_) w = 0;
}

bool BitArray::operator[](int i) const {
    CheckIndex(i, size_);
    return (words_[static_cast<size_t>(i / 64)] >> (i % 64)) & 1;
}

int BitArray::NumberSet() const {
    int n = 0;
    for (auto w : words_) n += std::popcount(w);
    return n;
}

BitArray BitArray::operator&(const BitArray& o) const {
    BitArray r = *this;
    for (size_t i = 0; i < r.words_.size(); ++i) r.words_[i] &= i < o.words_.size() ? o.words_[i] : 0;
    return r;
}

BitArray BitArray::operator|(const BitArray& o) const {
    BitArray r = *this;
    for (size_t i = 0; i < r.words_.size() && i < o.words_.size(); ++i) r.words_[i] |= o.words_[i];
    r.Trim();
    return r;
}

BitArray BitArray::operator~() const {
    BitArray r = *this;
    for (auto& w : r.words_) w = ~w;
    r.Trim();
    return r;
}

bool BitArray::operator==(const BitArray& o) const { return size_ == o.size_ && words_ == o.words_; }

void BitArray::Trim() {
    if (size_ % 64 != 0 && !words_.empty()) words_.back() &= (std::uint64_t(1) << (size_ % 64)) - 1;
}

std::string BitArray::ToString() const {
    std::string out = "#{";
    bool first = true;
    for (int i = 0; i < size_;) {
        if (!(*this)[i]) { ++i; continue; }
        int j = i;
        while (j + 1 < size_ && (*this)[j + 1]) ++j;
        if (!first) out += ", ";
        first = false;
        out += std::to_string(i + 1);
        if (j > i) out += ".." + std::to_string(j + 1);
        i = j + 1;
    }
    return out + "}";
}
