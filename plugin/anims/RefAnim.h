// The mirror base: stands for one animatable of the referenced content below an owner record, by path.
#pragma once

#include "host/core/ReferenceTarget.h"
#include "host/core/WStr.h"

#include <cstdint>
#include <string>
#include <vector>

class RefBase;

// Every mirror class has this super class; its class id is (kind id, 0).
constexpr SClass_ID REFANIM_SUPER_CLASS_ID = 0x8663dfa8;
// The base kind: any animatable without a kind of its own.
constexpr ULONG REFANIM_BASE_KIND_ID = 0x00010001;
// Bit of a requested kind id that becomes the mirror's kind flag.
constexpr ULONG REFANIM_KIND_FLAG_BIT = 0x00100000;

// Overridden state bits.
constexpr BYTE REFANIM_REPLACED = 0x01;
constexpr BYTE REFANIM_MODIFIED = 0x02;
constexpr BYTE REFANIM_LOCDEP = 0x04;
constexpr BYTE REFANIM_ADDED = 0x08;
constexpr BYTE REFANIM_REMOVED = 0x10;
constexpr BYTE REFANIM_RENAMED = 0x20;
constexpr BYTE REFANIM_TOGGLED = 0x40;

class RefAnim : public ReferenceTarget {
public:
    explicit RefAnim(BOOL loading = FALSE);
    ~RefAnim() override;

    Class_ID ClassID() override { return Class_ID(REFANIM_BASE_KIND_ID, 0); }
    SClass_ID SuperClassID() override { return REFANIM_SUPER_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    // The kind this mirror reports: the first part of its class id, unless a kind says otherwise.
    virtual ULONG GetKindID() const { return REFANIM_BASE_KIND_ID; }
    // The class name from the string table.
    virtual const MCHAR* GetKindName() const;

    // Reference 0 is the mirrored animatable; a kind may add its own after it.
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? anim_ : nullptr; }
    // A mirror keeps its animatable alive only while it carries a change of the user's.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    virtual bool IsModified() const { return (state_ & REFANIM_MODIFIED) != 0; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Copies the path, the path by number and the overridden state, and the animatable (remapped) when
    // the source holds it as a real dependency; then records the mapping.
    void BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) override;
    void DeleteThis() override { delete this; }

    ReferenceTarget* GetAnim() const { return anim_; }
    // Not a reference: the owner sets it right after creating the mirror; never saved.
    RefBase* GetOwner() const { return owner_; }
    void SetOwner(RefBase* owner) { owner_ = owner; }

    const std::vector<WStr>& GetPath() const { return path_; }
    void SetPath(std::vector<WStr> names) { path_ = std::move(names); }
    const std::vector<std::int32_t>& GetPathByNumber() const { return pathByNumber_; }
    void SetPathByNumber(std::vector<std::int32_t> numbers) { pathByNumber_ = std::move(numbers); }

    BYTE GetOverriddenState() const { return state_; }
    void SetOverriddenState(BYTE state) { state_ = state; }
    virtual bool GetKindFlag() const { return kindFlag_ != 0; }
    void SetKindFlag(bool on) { kindFlag_ = on ? 1 : 0; }
    int GetLastOperation() const { return lastOperation_; }
    void SetLastOperation(int stringId) { lastOperation_ = stringId; }
    int GetMark() const { return mark_; }
    void SetMark(int mark) { mark_ = mark; }

    // "RefAnimPblock kind 0x30003 path [Object:0, Parameters:2] state Modified, flag 0 last -1".
    std::string Describe() const;

protected:
    // Stores the animatable, nothing more.
    void SetReference(int i, RefTargetHandle rtarg) override {
        if (i == 0) anim_ = rtarg;
    }

private:
    RefBase* owner_ = nullptr;
    ReferenceTarget* anim_ = nullptr;
    std::vector<WStr> path_;
    std::vector<std::int32_t> pathByNumber_;
    BYTE state_ = 0;
    std::int32_t kindFlag_ = 0;
    std::int32_t lastOperation_ = -1;
    std::int32_t mark_ = 0;
};

// The words of the overridden state as dumps print them: "Replaced, Modified, ".
std::string OverriddenStateText(BYTE state);
