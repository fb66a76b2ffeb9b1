// A fixed-size array of bits, as the host passes selections and masks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class BitArray {
public:
    BitArray() = default;
    explicit BitArray(int n) { SetSize(n); }

    int GetSize() const { return size_; }
    // Grows or shrinks; with save the kept bits keep their values, new bits are clear.
    void SetSize(int n, bool save = false);
    void Set(int i);
    void Set(int i, bool v) { v ? Set(i) : Clear(i); }
    void Clear(int i);
    void SetAll();
    void ClearAll();
    bool operator[](int i) const;
    int NumberSet() const;
    bool IsEmpty() const { return NumberSet() == 0; }
    bool AnyBitSet() const { return !IsEmpty(); }

    BitArray operator&(const BitArray& o) const;
    BitArray operator|(const BitArray& o) const;
    BitArray operator~() const;
    bool operator==(const BitArray& o) const;

    // "#{1..3, 5}" with 1-based indices, as the host's script language prints bit arrays.
    std::string ToString() const;

private:
    void Trim();
    int size_ = 0;
    std::vector<std::uint64_t> words_;
};
