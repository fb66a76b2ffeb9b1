// A value over time: a constant, or keys sorted by time with linear interpolation between them.
#pragma once

#include "host/scene/controllers/ControlValueTraits.h"

#include <algorithm>
#include <utility>
#include <vector>

template <class T> class KeyTrack {
public:
    using Traits = ControlValueTraits<T>;
    struct Key {
        TimeValue time;
        T value;
        bool operator==(const Key&) const = default;
    };

    KeyTrack() : constant_(Traits::Neutral()) {}
    explicit KeyTrack(const T& v) : constant_(v) {}

    // Before the first key and after the last the value holds; valid is narrowed to where the value
    // does not change.
    T Eval(TimeValue t, Interval& valid) const {
        if (keys_.empty()) return constant_;
        const auto it = std::lower_bound(keys_.begin(), keys_.end(), t,
                                         [](const Key& k, TimeValue tt) { return k.time < tt; });
        if (it == keys_.begin()) {
            valid &= Interval(TIME_NegInfinity, it->time);
            return it->value;
        }
        if (it == keys_.end()) {
            valid &= Interval(keys_.back().time, TIME_PosInfinity);
            return keys_.back().value;
        }
        if (it->time == t) {
            valid &= Interval(t, t);
            return it->value;
        }
        const Key& a = *(it - 1);
        const Key& b = *it;
        valid &= Interval(t, t);
        const float u = static_cast<float>(t - a.time) / static_cast<float>(b.time - a.time);
        return Traits::Lerp(a.value, b.value, u);
    }
    T Eval(TimeValue t) const {
        Interval iv = FOREVER;
        return Eval(t, iv);
    }

    // An animated track takes a key at t; a constant one changes everywhere.
    void Set(TimeValue t, const T& v) {
        if (keys_.empty()) constant_ = v;
        else SetKey(t, v);
    }
    // Sets v at t as a key, as animate mode does: the first key of a constant track also keeps the old
    // value at time 0.
    void SetAnimated(TimeValue t, const T& v) {
        if (keys_.empty() && t != 0) SetKey(0, constant_);
        SetKey(t, v);
    }
    // Adds or replaces the key at t.
    void SetKey(TimeValue t, const T& v) {
        auto it = std::lower_bound(keys_.begin(), keys_.end(), t,
                                   [](const Key& k, TimeValue tt) { return k.time < tt; });
        if (it != keys_.end() && it->time == t) it->value = v;
        else keys_.insert(it, Key{t, v});
    }
    // Removes every key; the value at t becomes the constant.
    void DeleteKeys(TimeValue t) {
        constant_ = Eval(t);
        keys_.clear();
    }
    // Removes key i; the last one leaves its value as the constant.
    void DeleteKey(int i) {
        const auto at = keys_.begin() + i;
        if (keys_.size() == 1) constant_ = at->value;
        keys_.erase(at);
    }
    bool HasKeyAt(TimeValue t) const {
        return std::binary_search(keys_.begin(), keys_.end(), Key{t, constant_},
                                  [](const Key& a, const Key& b) { return a.time < b.time; });
    }
    int NumKeys() const { return static_cast<int>(keys_.size()); }
    TimeValue KeyTime(int i) const { return keys_.at(static_cast<size_t>(i)).time; }
    const T& Constant() const { return constant_; }
    bool operator==(const KeyTrack&) const = default;

    // Chunk 0x0100: the constant. Chunk 0x0110: key count, then (time, value) per key.
    IOResult Save(ISave* s) const {
        s->BeginChunk(kValueChunk);
        if (Traits::Write(s, constant_) != IO_OK) return IO_ERROR;
        if (s->EndChunk() != IO_OK) return IO_ERROR;
        if (!keys_.empty()) {
            s->BeginChunk(kKeysChunk);
            const int n = NumKeys();
            if (WriteValues(s, n) != IO_OK) return IO_ERROR;
            for (const Key& k : keys_) {
                if (WriteValues(s, k.time) != IO_OK) return IO_ERROR;
                if (Traits::Write(s, k.value) != IO_OK) return IO_ERROR;
            }
            if (s->EndChunk() != IO_OK) return IO_ERROR;
        }
        return IO_OK;
    }
    // Reads the chunk the loader stands in, when it is one of the track's; false otherwise.
    bool LoadChunk(ILoad* l, IOResult& res) {
        switch (l->CurChunkID()) {
        case kValueChunk: res = Traits::Read(l, constant_); return true;
        case kKeysChunk: {
            int n = 0;
            // Each key needs at least 8 bytes: a count beyond the chunk is damage, not a reason to allocate.
            res = ReadCount(l, n, l->CurChunkLength() / 8);
            keys_.clear();
            if (res != IO_OK) return true;
            for (int i = 0; i < n && res == IO_OK; ++i) {
                Key k{0, Traits::Neutral()};
                res = ReadValues(l, k.time);
                if (res == IO_OK) res = Traits::Read(l, k.value);
                if (res == IO_OK && !keys_.empty() && k.time <= keys_.back().time) res = IO_ERROR;
                if (res == IO_OK) keys_.push_back(k);
            }
            return true;
        }
        default: return false;
        }
    }

    static constexpr USHORT kValueChunk = 0x0100;
    static constexpr USHORT kKeysChunk = 0x0110;

private:
    T constant_;
    std::vector<Key> keys_;
};
